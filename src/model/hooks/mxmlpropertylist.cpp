#include "mxmlpropertylist.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace MXmlPropertyList {

std::optional<QByteArray> write(const QVariantMap &map)
{
    QByteArray data;
    QXmlStreamWriter writer(&data);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("plist"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    writer.writeStartElement(QStringLiteral("dict"));
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (it.value().userType() != QMetaType::QString)
            return std::nullopt;
        const QString value = it.value().toString();
        // A reader turns a carriage return into a line feed.
        if (it.key().contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\r')))
            return std::nullopt;
        writer.writeTextElement(QStringLiteral("key"), it.key());
        writer.writeTextElement(QStringLiteral("string"), value);
    }
    writer.writeEndElement();
    writer.writeEndElement();
    writer.writeEndDocument();
    // The writer flags the control characters XML 1.0 cannot hold.
    if (writer.hasError())
        return std::nullopt;
    return data;
}

std::optional<QVariantMap> read(const QByteArray &data)
{
    QXmlStreamReader reader(data);
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("plist"))
        return std::nullopt;
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("dict"))
        return std::nullopt;
    QVariantMap map;
    while (reader.readNextStartElement()) {
        if (reader.name() != QLatin1String("key"))
            return std::nullopt;
        const QString key = reader.readElementText();
        if (!reader.readNextStartElement() || reader.name() != QLatin1String("string"))
            return std::nullopt;
        map.insert(key, reader.readElementText());
    }
    // Nothing may follow the dictionary, and the document must be whole.
    if (reader.hasError() || reader.readNextStartElement())
        return std::nullopt;
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        return std::nullopt;
    return map;
}

} // namespace MXmlPropertyList
