#ifndef MCENGLISHPLURALS_H
#define MCENGLISHPLURALS_H

#include <QTranslator>

// The English plural forms of the interface's counted texts, written with "(s)" and %n
// ("%Ln new message(s)"): "message" for one, "messages" for any other count. Installed first,
// it is asked last: a translation installed later for the user's language answers before it.
class MCEnglishPlurals : public QTranslator
{
    Q_OBJECT
public:
    explicit MCEnglishPlurals(QObject *parent = nullptr);

    QString translate(const char *context, const char *sourceText,
                      const char *disambiguation = nullptr, int n = -1) const override;
    bool isEmpty() const override;
};

#endif // MCENGLISHPLURALS_H
