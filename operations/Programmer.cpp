#include "operations/Programmer.h"

#include "operations/HeadManager.h"

#include <utility>

namespace {

std::unique_ptr<TLogManager> StartLog(const TProgrammerLog& LogFile) {
    auto Log = std::make_unique<TLogManager>(LogFile.FileName, LogFile.Limit, LogFile.Continue);
    Log->HexMode = true;
    return Log;
}

} // namespace

TProgrammer::TProgrammer(const std::string& PortName, std::unique_ptr<ISerialPort> Port,
                         const TProgrammerLog& LogFile)
    : LogManager(StartLog(LogFile)),
      HeadManager(std::make_unique<THeadManager>(PortName, std::move(Port), *LogManager)) {}

TProgrammer::~TProgrammer() {
    HeadManager.reset();
    LogManager.reset();
}
