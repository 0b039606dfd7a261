#include "displaysettings.h"

#include <QByteArray>

namespace DisplaySettings {

void apply()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", QByteArrayLiteral("none"));
}

} // namespace DisplaySettings
