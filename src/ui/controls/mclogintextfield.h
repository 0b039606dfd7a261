#ifndef MCLOGINTEXTFIELD_H
#define MCLOGINTEXTFIELD_H

#include "mclinktextfield.h"

// A link on the sign-in window ("Forgot your password?"), drawn with a shadow over the window's
// picture. While linkEnabled is off it neither underlines nor opens anything.
class MCLoginTextField : public MCLinkTextField
{
    Q_OBJECT
    Q_PROPERTY(bool linkEnabled READ isLinkEnabled WRITE setLinkEnabled)
public:
    explicit MCLoginTextField(QWidget *parent = nullptr);
    explicit MCLoginTextField(const QString &text, QWidget *parent = nullptr);

    bool isLinkEnabled() const { return m_linkEnabled; }
    void setLinkEnabled(bool enabled);

protected:
    bool opensLink() const override { return m_linkEnabled; }

private:
    bool m_linkEnabled = true;
};

#endif // MCLOGINTEXTFIELD_H
