#include "operations/Session.h"

#include "common/ResourseStrings.h"
#include "image/MemoryMapObjects.h"
#include "link/DeviceManager.h"
#include "operations/HeadManager.h"
#include "operations/ImageFileNames.h"
#include "operations/Programmer.h"
#include "operations/UIObjects.h"

#include <stdexcept>
#include <utility>

TSession::TSession(TSessionOptions SessionOptions, std::unique_ptr<ISerialPort> Port)
    : Options(std::move(SessionOptions)), ImageState(std::make_unique<TBurnImagae>()),
      InfoSink(std::make_unique<TInfoRichEdit>()), ProgressDisplay(std::make_unique<TProgress>()) {
    if (Port) {
        // Someone else's port: the stored one stays as it is.
        Options.StorePort = false;
    }
    if (Options.ReadSettings) {
        SettingsProblem = SettingsFileProblem(Options.SettingsFileName);
    }
    // The settings file is read only for what was not given.
    std::uint64_t LogLimit = DefaultLogLimit;
    if (Options.LogLimit) {
        LogLimit = *Options.LogLimit;
    } else if (Options.ReadSettings) {
        LogLimit = LoadLogLimit(Options.SettingsFileName);
    }
    // The port is known before the programmer opens it: no other port is ever touched.
    const std::string PortName = Port ? Options.PortName : ChoosePort();
    Programmer = std::make_unique<TProgrammer>(
        PortName, std::move(Port),
        TProgrammerLog{Options.LogFileName, LogLimit, Options.ContinueLog});
    ConnectEvents();
}

TSession::~TSession() {
    if (Options.StorePort) {
        StorePortName();
    }
    AttachView(nullptr);
    Programmer.reset();
}

std::string TSession::ChoosePort() {
    if (!Options.PortName.empty()) {
        return Options.PortName;
    }
    return Options.ReadSettings ? LoadPortName(Options.SettingsFileName) : SDefaultPortName;
}

THeadManager& TSession::Head() {
    return Programmer->Head();
}

const THeadManager& TSession::Head() const {
    return Programmer->Head();
}

TLogManager& TSession::Log() {
    return Programmer->Log();
}

void TSession::AttachView(IMainView* NewView, bool WithProgress) {
    View = NewView;
    ImageState->SetView(View);
    InfoSink->SetView(View);
    ProgressDisplay->SetView(WithProgress ? View : nullptr);
}

void TSession::FollowProgress(std::function<void(const TProgressStep&)> Follower) {
    ProgressFollower = std::move(Follower);
}

void TSession::SetProcessMessages(std::function<void()> ProcessMessages) {
    Head().ProcessMessages = std::move(ProcessMessages);
}

void TSession::SetWhileWaiting(std::function<void()> WhileWaiting) {
    Head().WhileWaiting = std::move(WhileWaiting);
}

void TSession::ResetProgress() {
    ProgressDisplay->Reset();
}

std::optional<TCommOpenResult> TSession::GetPortProblem() {
    TDeviceManager& Device = Head().GetDeviceManager();
    if (Device.IsPortOpen()) {
        return std::nullopt;
    }
    return Device.GetLastOpenResult();
}

bool TSession::StorePortName() {
    return SavePortName(Head().GetPortName(), Options.SettingsFileName);
}

void TSession::ConnectEvents() {
    THeadManager& Manager = Head();
    TBurnImagae& Image = *ImageState;
    TInfoRichEdit& Info = *InfoSink;
    TProgress& Progress = *ProgressDisplay;
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
        ShowImagePages(Map != nullptr ? Map->GetPageNumbers() : std::vector<int>{});
    };
    Manager.OnImageSaved = [&Image](THeadManager*, const std::string& FileName) {
        Image.SetImageName(FileNamePart(FileName));
        Image.SetFileName(FileName);
    };
    Manager.OnMessage = [&Info](THeadManager*, const std::string& Text, TColor Color) {
        Info.AddMessage(Text, Color);
    };
    Manager.OnProgress = [this, &Progress](THeadManager*, const TProgressStep& Step) {
        Progress.Show(Step);
        if (ProgressFollower) {
            ProgressFollower(Step);
        }
    };
    Manager.OnImageCleared = [this, &Image](THeadManager*) {
        Image.SetState(bisEmpty);
        Image.SetFileName("");
        Image.SetPageCount(0);
        Image.SetPageLength(0);
        ClearImageView();
        ShowImagePages({});
    };
    Manager.OnPageDone = [this](THeadManager*, int Page, TPageOutcome Outcome) {
        if (View != nullptr) {
            View->ShowPageOutcome(Page, Outcome);
        }
    };
}

void TSession::ShowImagePages(const std::vector<int>& Pages) {
    if (View == nullptr) {
        return;
    }
    View->ShowImagePages(Pages);
    // Only a read replaces the image while an operation runs: its pages stay marked as read,
    // and the pages it could not get as failed.
    if (Head().IsRunning()) {
        for (const int Page : Pages) {
            View->ShowPageOutcome(Page, TPageOutcome::Read);
        }
        for (const int Page : Head().GetMissingPages()) {
            View->ShowPageOutcome(Page, TPageOutcome::Failed);
        }
    }
}

void TSession::ClearImageView() {
    if (View != nullptr) {
        View->ClearImageView();
    }
}
