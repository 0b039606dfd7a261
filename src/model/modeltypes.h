#ifndef MODELTYPES_H
#define MODELTYPES_H

// Registers, under the exact names the signals spell them with, every type that crosses a
// thread in a queued signal between the core and the model layer, and the model layer's own
// value types. Without it Qt drops such a call with only a warning. The facades call it
// when they are made; safe to call more than once, main thread only.
void registerModelTypes();

#endif // MODELTYPES_H
