// The program's log as the layers below the configuration reach it. The program connects
// it to its one logging channel (IZemGlobal::WriteLog) when it starts; the configuration
// lies above these layers, so they cannot call it themselves. Until it is connected, and
// in a process that never connects it, lines go to standard error, so no failure goes
// unnamed. Connect once, before other threads start; any thread may write.
#pragma once

#include "platform/text.h"

namespace zem {

using LogLineWriter = void (*)(TextView line);

void ConnectLogChannel(LogLineWriter writer);
void WriteLogLine(TextView line);

}  // namespace zem
