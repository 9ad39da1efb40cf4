#include "operations/Session.h"

#include "common/ResourseStrings.h"
#include "image/MemoryMapObjects.h"
#include "link/DeviceManager.h"
#include "operations/HeadManager.h"
#include "operations/ImageFileNames.h"
#include "operations/Startup.h"
#include "operations/UIObjects.h"
#include "simulator/SimulatedProgrammer.h"

#include <stdexcept>
#include <utility>

TSession::TSession(TSessionOptions SessionOptions) : Options(std::move(SessionOptions)) {
    std::unique_ptr<ISerialPort> Port;
    if (Options.Simulate) {
        Simulator = StartSimulatedProgrammer();
        Options.PortName = Simulator->GetPortName();
        Options.StorePort = false;
        Port = Simulator->MakePort();
    }
    const std::uint64_t LogLimit = Options.LogLimit.value_or(
        Options.ReadSettings ? LoadLogLimit(Options.SettingsFileName) : DefaultLogLimit);
    // The port is known before the head manager opens it: no other port is ever touched.
    Singletons = std::make_unique<TApplicationSingletons>(
        ChoosePort(), Options.LogFileName, LogLimit, Options.ContinueLog, std::move(Port));
    ConnectEvents();
}

TSession::~TSession() {
    if (Options.StorePort) {
        StorePortName();
    }
    AttachView(nullptr);
    Singletons.reset();
    if (Simulator) {
        Simulator->Stop();
    }
}

std::string TSession::ChoosePort() {
    if (!Options.PortName.empty()) {
        return Options.PortName;
    }
    return Options.ReadSettings ? LoadPortName(Options.SettingsFileName) : SDefaultPortName;
}

THeadManager& TSession::Head() {
    return Singletons->GetHeadManager();
}

const THeadManager& TSession::Head() const {
    return Singletons->GetHeadManager();
}

void TSession::AttachView(IMainView* NewView, bool WithProgress) {
    View = NewView;
    Singletons->GetBurnImage().SetView(View);
    Singletons->GetInfoRichEdit().SetView(View);
    Singletons->GetProgress().SetView(WithProgress ? View : nullptr);
}

void TSession::SetProcessMessages(std::function<void()> ProcessMessages) {
    Head().ProcessMessages = std::move(ProcessMessages);
}

void TSession::SetWhileWaiting(std::function<void()> WhileWaiting) {
    Head().WhileWaiting = std::move(WhileWaiting);
}

void TSession::ResetProgress() {
    Singletons->GetProgress().Reset();
}

std::optional<TCommOpenError> TSession::GetPortProblem() {
    TDeviceManager& Device = Head().GetDeviceManager();
    if (Device.IsPortOpen()) {
        return std::nullopt;
    }
    return Device.GetLastOpenError();
}

bool TSession::StorePortName() {
    return SavePortName(Head().GetPortName(), Options.SettingsFileName);
}

void TSession::ConnectEvents() {
    THeadManager& Manager = Head();
    TBurnImagae& Image = Singletons->GetBurnImage();
    TInfoRichEdit& Info = Singletons->GetInfoRichEdit();
    TProgress& Progress = Singletons->GetProgress();
    Manager.OnImageLoaded = [this, &Image](THeadManager*, const std::shared_ptr<IMemoryMap>& Map,
                                           const std::string& FileName) {
        const int PageCount = Map != nullptr ? Map->GetCount() : 0;
        Image.SetImageName(FileNamePart(FileName));
        Image.SetFileName(FileName);
        Image.SetState(bisLoaded);
        Image.SetPageCount(PageCount);
        // A read that fetched no page gives an image without a first page: length unknown.
        Image.SetPageLength(PageCount > 0 ? Map->GetPage(0).GetSize() : 0);
        ClearImageView();
        if (View != nullptr) {
            View->ShowImagePages(Map != nullptr ? Map->GetPageNumbers() : std::vector<int>{});
        }
    };
    Manager.OnImageSaved = [&Image](THeadManager*, const std::string& FileName) {
        Image.SetImageName(FileNamePart(FileName));
        Image.SetFileName(FileName);
    };
    Manager.OnMessage = [&Info](THeadManager*, const std::string& Text, TColor Color) {
        Info.AddMessage(Text, Color);
    };
    Manager.OnProgress = [&Progress](THeadManager*, int Percent, TDateTime StartTime) {
        Progress.SetProgress(Percent, StartTime);
    };
    Manager.OnImageCleared = [this, &Image](THeadManager*) {
        Image.SetState(bisEmpty);
        Image.SetFileName("");
        Image.SetPageCount(0);
        Image.SetPageLength(0);
        ClearImageView();
        if (View != nullptr) {
            View->ShowImagePages({});
        }
    };
    Manager.OnPageDone = [this](THeadManager*, int Page, TPageOutcome Outcome) {
        if (View != nullptr) {
            View->ShowPageOutcome(Page, Outcome);
        }
    };
}

void TSession::ClearImageView() {
    if (View != nullptr) {
        View->ClearImageView();
    }
}
