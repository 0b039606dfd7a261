#ifndef DISPLAYSETTINGS_H
#define DISPLAYSETTINGS_H

namespace DisplaySettings {

// The window draws with widgets alone: on X, the platform plug-in is told to load no OpenGL
// integration, whose driver libraries (with a software renderer) kept some 80 MiB resident for
// nothing. A value set in the environment is left as it is. Call it before the application
// object is made.
void apply();

} // namespace DisplaySettings

#endif // DISPLAYSETTINGS_H
