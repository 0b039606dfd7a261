#ifndef AUTOSTART_H
#define AUTOSTART_H

// Whether the application starts when the user logs in (the "WillStartAtLogin" option).
// Implementations: XdgAutostart (the desktop's autostart folder), MemoryAutostart (tests).
class Autostart
{
public:
    virtual ~Autostart() = default;

    // True when an entry that starts this application at log-in is in place and enabled.
    virtual bool isEnabled() const = 0;
    // Adds (true) or removes (false) the entry. Enabling an enabled entry adds no second one;
    // disabling a missing entry is a success. False when the change could not be written.
    virtual bool setEnabled(bool enabled) = 0;
};

#endif // AUTOSTART_H
