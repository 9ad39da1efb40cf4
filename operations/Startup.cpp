#include "operations/Startup.h"

#include "logging/LogManager.h"
#include "operations/HeadManager.h"
#include "operations/UIObjects.h"

#include <utility>

TApplicationSingletons::TApplicationSingletons(const std::string& PortName,
                                               const std::string& LogFileName,
                                               std::uint64_t LogLimit, bool ContinueLog,
                                               std::unique_ptr<ISerialPort> Port) {
    try {
        BurnImage = std::make_unique<TBurnImagae>();
        GBurnImagae = BurnImage.get();
        InfoRichEdit = std::make_unique<TInfoRichEdit>();
        GInfoRichEdit = InfoRichEdit.get();
        Progress = std::make_unique<TProgress>();
        GProgress = Progress.get();

        LogManager = std::make_unique<TLogManager>(LogFileName, LogLimit, ContinueLog);
        LogManager->HexMode = true;
        GLogManager = LogManager.get();

        HeadManager = std::make_unique<THeadManager>(PortName, std::move(Port));
        GHeadManager = HeadManager.get();
    } catch (...) {
        Release();
        throw;
    }
}

TApplicationSingletons::~TApplicationSingletons() {
    Release();
}

void TApplicationSingletons::Release() {
    GHeadManager = nullptr;
    HeadManager.reset();
    GLogManager = nullptr;
    LogManager.reset();
    GProgress = nullptr;
    Progress.reset();
    GInfoRichEdit = nullptr;
    InfoRichEdit.reset();
    GBurnImagae = nullptr;
    BurnImage.reset();
}
