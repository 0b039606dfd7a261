#include "linkrecorder.h"

void LinkRecorder::open(const QUrl &url)
{
    opened.append(url);
}
