// The process-wide objects both front ends need, made in their fixed order and released in the
// reverse order: the image state, the information sink and the progress display, then the
// traffic log, then the head manager (which opens the serial port).
#pragma once

#include "logging/LogManager.h"
#include "operations/Settings.h"
#include "serial/SerialPort.h"

#include <cstdint>
#include <memory>
#include <string>

class TBurnImagae;
class TInfoRichEdit;
class TProgress;
class THeadManager;

class TApplicationSingletons {
public:
    // Makes the objects and sets their globals (GBurnImagae, GInfoRichEdit, GProgress,
    // GLogManager with hexadecimal byte records, GHeadManager on PortName). If a step fails,
    // what was made is released again before the error goes on.
    // ContinueLog: the log goes on after an existing one (see TLogManager). Port: the port to
    // open PortName on; null: the platform's serial port.
    TApplicationSingletons(const std::string& PortName, const std::string& LogFileName,
                           std::uint64_t LogLimit = DefaultLogLimit, bool ContinueLog = false,
                           std::unique_ptr<ISerialPort> Port = nullptr);
    // Releases the objects in the reverse order and clears their globals.
    ~TApplicationSingletons();
    TApplicationSingletons(const TApplicationSingletons&) = delete;
    TApplicationSingletons& operator=(const TApplicationSingletons&) = delete;

    TBurnImagae& GetBurnImage() { return *BurnImage; }
    TInfoRichEdit& GetInfoRichEdit() { return *InfoRichEdit; }
    TProgress& GetProgress() { return *Progress; }
    TLogManager& GetLogManager() { return *LogManager; }
    THeadManager& GetHeadManager() { return *HeadManager; }

private:
    void Release();

    std::unique_ptr<TBurnImagae> BurnImage;
    std::unique_ptr<TInfoRichEdit> InfoRichEdit;
    std::unique_ptr<TProgress> Progress;
    std::unique_ptr<TLogManager> LogManager;
    std::unique_ptr<THeadManager> HeadManager;
};
