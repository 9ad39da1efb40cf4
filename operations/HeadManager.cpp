#include "operations/HeadManager.h"

#include "common/ProgrammerConstants.h"
#include "common/ResourseStrings.h"
#include "image/HexFileToMemoryMapConverter.h"
#include "image/ImageStamp.h"
#include "image/MemoryMapObjects.h"
#include "image/PageList.h"
#include "link/ConnectionManager.h"
#include "link/DeviceManager.h"
#include "link/Protocol.h"
#include "logging/LogManager.h"
#include "operations/ImageFileNames.h"
#include "operations/TextEncoding.h"

#include <climits>
#include <cmath>
#include <utility>

namespace {

constexpr std::int32_t PageLength = Programmer::PageLength;
constexpr std::int32_t RecordLength = Programmer::RecordLength;
// The percentage reported for a range whose last page number is 0 (no divisor).
constexpr int PercentWithoutDivisor = 100;

// Marks an operation as running (and, for a page loop, busy) until it ends however it ends. A
// second operation cannot begin inside a running one: they would share one request and reply.
class TOperationGuard {
public:
    TOperationGuard(bool& Running, bool& StopAsked, bool* Busy = nullptr)
        : Running(Running), StopAsked(StopAsked), Busy(Busy) {
        if (Running) {
            throw Exception(SProgrammerInUse);
        }
        Running = true;
        StopAsked = false;
        if (Busy != nullptr) {
            *Busy = true;
        }
    }
    ~TOperationGuard() {
        Running = false;
        StopAsked = false;
        if (Busy != nullptr) {
            *Busy = false;
        }
    }
    TOperationGuard(const TOperationGuard&) = delete;
    TOperationGuard& operator=(const TOperationGuard&) = delete;

private:
    bool& Running;
    bool& StopAsked;
    bool* Busy;
};

// Rounds to the nearest integer, halves to the even neighbour, within the range of int.
int RoundPercent(double Value) {
    const double Rounded = std::nearbyint(Value);
    if (Rounded >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (Rounded <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(Rounded);
}

// The percentage after page p of a write, compare or erase: (p + 1) * 100 / Last + 1.
int PercentAfterPage(int Page, int Last) {
    if (Last == 0) {
        return PercentWithoutDivisor;
    }
    return RoundPercent((static_cast<double>(Page) + 1.0) * 100.0 / Last + 1.0);
}

// The percentage after page p of a read: p * 100 / Last.
int ReadPercentAfterPage(int Page, int Last) {
    if (Last == 0) {
        return PercentWithoutDivisor;
    }
    return RoundPercent(static_cast<double>(Page) * 100.0 / Last);
}

} // namespace

THeadManager::THeadManager(const std::string& PortName, std::unique_ptr<ISerialPort> Port,
                           TLogManager& Log)
    : Log(Log), Converter(std::make_unique<THexFileToMemoryMapConverter>()),
      MemoryMap(std::make_shared<TMemoryMap>()),
      ProtocolManager(std::make_unique<TProtocolManager>(PortName, std::move(Port), Log)) {
    TConnectionManager& Connection = ProtocolManager->GetDeviceManager().GetConnectionManager();
    Connection.SetWhileWaiting([this] {
        if (WhileWaiting) {
            WhileWaiting();
        }
    });
    // A stop asked for while the programmer's answer is awaited ends the wait at once.
    Connection.SetStopCheck([this] { return StopAsked; });
}

THeadManager::~THeadManager() = default;

// ---- Image and files ----

void THeadManager::ClearImage() {
    MemoryMap->Clear();
    MissingPages.clear();
    UnsavedRead = false;
    if (OnImageCleared) {
        OnImageCleared(this);
    }
}

bool THeadManager::IsImageEmpty() const {
    return MemoryMap == nullptr || MemoryMap->GetCount() <= 0;
}

void THeadManager::LoadImageFromFile(const std::string& FileName) {
    try {
        TLoadedImage Loaded = LoadImageFile(FileName, ChipImageGeometry);
        if (Loaded.Map == nullptr || Loaded.Map->GetCount() <= 0) {
            throw CannotLoadFileError(FileName);
        }
        MemoryMap = std::move(Loaded.Map);
        MissingPages.clear();
        UnsavedRead = false;
        if (OnImageLoaded) {
            OnImageLoaded(this, MemoryMap, FileName);
        }
        if (!Loaded.Note.empty()) {
            SendMessage(Loaded.Note, clBlue);
        }
    } catch (...) {
        ClearImage();
        throw;
    }
}

void THeadManager::SaveImageToFile(const std::string& FileName) {
    if (IsImageEmpty()) {
        throw Exception(SCannotSaveEmptyImage);
    }
    const std::string Target = ImageFileTarget(FileName);
    SaveImageFile(MemoryMap, Target, ChipImageGeometry);
    UnsavedRead = false;
    if (OnImageSaved) {
        OnImageSaved(this, Target);
    }
}

void THeadManager::PutIntoImage(std::int64_t Address, const TByteArray& Bytes) {
    MemoryMap = WithBytesAt(*MemoryMap, Address, Bytes, PageLength, Programmer::PageCount);
}

std::vector<std::string> THeadManager::ImageToStrings() const {
    return Converter->MemoryMapToStrings(MemoryMap);
}

// ---- Serial port ----

std::string THeadManager::GetPortName() const {
    return ProtocolManager->GetDeviceManager().GetPortName();
}

bool THeadManager::SetPortName(const std::string& Name) {
    return ProtocolManager->GetDeviceManager().SetPortName(Name).Opened();
}

TDeviceManager& THeadManager::GetDeviceManager() {
    return ProtocolManager->GetDeviceManager();
}

// ---- Programmer operations ----

void THeadManager::SendMessage(const std::string& Text, TColor Color) {
    if (OnMessage) {
        OnMessage(this, Text, Color);
    }
}

void THeadManager::SendProgress(int Percent) {
    if (OnProgress) {
        OnProgress(this, Clock.Step(CurrentPage, Percent));
    }
}

void THeadManager::SendPageDone(int Page, TPageOutcome Outcome) {
    if (OnPageDone) {
        OnPageDone(this, Page, Outcome);
    }
}

void THeadManager::RunPageSteps(int Page, const std::function<void()>& Steps) {
    try {
        TLogBatch PageRecords(Log);
        Steps();
        PageRecords.Close();
    } catch (const EReplyWaitStopped&) {
        // The page was neither done nor failed: the operation was stopped in its middle.
        throw;
    } catch (Exception& Failure) {
        // The steps that do not send the page number themselves (fetching a page read) fail
        // without naming it.
        Failure.AtPage(Page);
        SendPageDone(Page, TPageOutcome::Failed);
        throw;
    } catch (...) {
        SendPageDone(Page, TPageOutcome::Failed);
        throw;
    }
}

bool THeadManager::ProcessMessagesAndCheckStop() {
    if (ProcessMessages) {
        ProcessMessages();
    }
    return !Busy;
}

bool THeadManager::Initialize() {
    TOperationGuard Guard(Running, StopAsked);
    std::string Answer;
    ProtocolManager->Initialize(Answer);
    if (Answer.empty()) {
        SendMessage(SInitializeFailed, clRed);
        return false;
    }
    Identification = Answer;
    SendMessage(SInitializeSucceeded, clGreen);
    SendMessage(FormatText(SControllerName, EscapeControlCharacters(Answer).c_str()), clBlue);
    return true;
}

std::vector<int> THeadManager::ImagePageNumbers() const {
    return IsImageEmpty() ? std::vector<int>{} : MemoryMap->GetPageNumbers();
}

std::vector<int> THeadManager::ImagePagesInRange(int First, int Last) const {
    const std::vector<TPageRun> Missing = MissingPageRuns(*MemoryMap, First, Last);
    if (!Missing.empty()) {
        throw Exception(FormatText(SPagesNotInImage, FormatPageRuns(Missing).c_str()));
    }
    std::vector<int> Pages;
    for (long long Page = First; Page <= Last; ++Page) {
        Pages.push_back(static_cast<int>(Page));
    }
    return Pages;
}

THeadManager::TPagePlan THeadManager::RangePlan(int First, int Last) const {
    return {TPageSequence(ImagePagesInRange(First, Last)), First, Last};
}

THeadManager::TPagePlan THeadManager::ImagePlan() const {
    std::vector<int> Pages = ImagePageNumbers();
    const int Last = static_cast<int>(Pages.size()) - 1;
    return {TPageSequence(std::move(Pages)), 0, Last};
}

void THeadManager::StartOperation() {
    Clock.Start();
}

void THeadManager::WritePages(int First, int Last) {
    TOperationGuard Guard(Running, StopAsked, &Busy);
    StartOperation();
    RefuseEmptyImage(SCannotWriteEmptyImage);
    WritePlannedPages(RangePlan(First, Last));
}

void THeadManager::WriteImage() {
    TOperationGuard Guard(Running, StopAsked, &Busy);
    StartOperation();
    RefuseEmptyImage(SCannotWriteEmptyImage);
    WritePlannedPages(ImagePlan());
}

void THeadManager::RefuseEmptyImage(const char* Text) const {
    if (IsImageEmpty()) {
        throw Exception(Text);
    }
}

THeadManager::TLoopEnd THeadManager::RunPageLoop(const TPageSequence& Pages, const TPageStep& Step,
                                                 const TPercentRule& PercentAfter) {
    // The pages' records go to the file together, a batch's worth at a time, and the rest when
    // the loop ends however it ends.
    TLogBatch LoopRecords(Log);
    TLoopEnd End = TLoopEnd::Finished;
    for (long long Index = 0; Index < Pages.Size() && End == TLoopEnd::Finished; ++Index) {
        const int Page = Pages.At(Index);
        TPageOutcome Outcome = TPageOutcome::Failed;
        try {
            RunPageSteps(Page, [&Step, &Outcome, Page] { Outcome = Step(Page); });
        } catch (const EReplyWaitStopped&) {
            End = TLoopEnd::Stopped;
            break;
        }
        SendPageDone(Page, Outcome);
        if (Outcome == TPageOutcome::Different) {
            End = TLoopEnd::Differs;
        } else {
            SendProgress(PercentAfter(Index, Page));
            End = ProcessMessagesAndCheckStop() ? TLoopEnd::Stopped : TLoopEnd::Finished;
        }
    }
    LoopRecords.Close();
    return End;
}

THeadManager::TPercentRule THeadManager::TPagePlan::Scale() const {
    return [First = ScaleFirst, Last = ScaleLast](long long Index, int) {
        return PercentAfterPage(static_cast<int>(First + Index), Last);
    };
}

void THeadManager::WritePlannedPages(const TPagePlan& Plan) {
    SendMessage(SWriteStarted, clBlack);
    const TLoopEnd End = RunPageLoop(
        Plan.Pages,
        [this](int Page) {
            TransferPage(Page);
            WritePage(Page);
            return TPageOutcome::Written;
        },
        Plan.Scale());
    SendMessage(End == TLoopEnd::Stopped ? SWriteStopped : SWriteSucceeded,
                End == TLoopEnd::Stopped ? clRed : clGreen);
}

std::uint8_t THeadManager::ComparePages(int First, int Last) {
    TOperationGuard Guard(Running, StopAsked, &Busy);
    StartOperation();
    RefuseEmptyImage(SCannotCompareEmptyImage);
    return ComparePlannedPages(RangePlan(First, Last));
}

std::uint8_t THeadManager::CompareImage() {
    TOperationGuard Guard(Running, StopAsked, &Busy);
    StartOperation();
    RefuseEmptyImage(SCannotCompareEmptyImage);
    return ComparePlannedPages(ImagePlan());
}

std::uint8_t THeadManager::ComparePlannedPages(const TPagePlan& Plan) {
    SendMessage(SCompareStarted, clBlack);
    const TLoopEnd End = RunPageLoop(
        Plan.Pages,
        [this](int Page) {
            TransferPage(Page);
            return ComparePage(Page) ? TPageOutcome::Equal : TPageOutcome::Different;
        },
        Plan.Scale());
    switch (End) {
    case TLoopEnd::Differs:
        SendMessage(FormatText(SPageDiffers, CurrentPage), clRed);
        return CompareDifferent;
    case TLoopEnd::Stopped:
        SendMessage(SCompareStopped, clRed);
        return CompareStopped;
    case TLoopEnd::Finished:
        break;
    }
    SendMessage(SCompareSucceeded, clGreen);
    return CompareEqual;
}

void THeadManager::ReadPages(int First, int Last) {
    TOperationGuard Guard(Running, StopAsked, &Busy);
    StartOperation();
    SendMessage(SReadStarted, clBlack);
    // The pages go into a map of their own: the current image stays as it is until the read
    // has something to put in its place.
    const auto ReadMap = std::make_shared<TMemoryMap>();
    std::vector<int> Missing;
    const TLoopEnd End = RunPageLoop(
        TPageSequence::Range(First, Last),
        [this, &ReadMap, &Missing](int Page) {
            ReadPage(Page);
            if (!FetchReadPage(Page, *ReadMap)) {
                Missing.push_back(Page);
                return TPageOutcome::Failed;
            }
            return TPageOutcome::Read;
        },
        [Last](long long, int Page) { return ReadPercentAfterPage(Page, Last); });
    if (End == TLoopEnd::Stopped) {
        // A stopped read keeps the pages it read; one stopped before it got any (while it
        // waited for the first page) leaves the image as it was.
        if (ReadMap->GetCount() > 0) {
            TakeReadImage(ReadMap, std::move(Missing));
        }
        SendMessage(SReadStopped, clRed);
        return;
    }
    TakeReadImage(ReadMap, std::move(Missing));
    // A read that missed pages is no success: the image holds only what the chip gave.
    if (!MissingPages.empty()) {
        SendMessage(FormatText(SReadMissedPages, FormatPageList(MissingPages).c_str()), clRed);
        return;
    }
    SendMessage(SReadSucceeded, clGreen);
}

void THeadManager::TakeReadImage(const std::shared_ptr<IMemoryMap>& ReadMap,
                                 std::vector<int> Missing) {
    MemoryMap = ReadMap;
    MissingPages = std::move(Missing);
    UnsavedRead = MemoryMap->GetCount() > 0;
    if (OnImageLoaded) {
        OnImageLoaded(this, MemoryMap, SReadImageName);
    }
}

void THeadManager::ReadImage() {
    ReadPages(0, LastChipPage);
}

void THeadManager::DeletePages(int First, int Last) {
    TOperationGuard Guard(Running, StopAsked, &Busy);
    StartOperation();
    SendMessage(SDeleteStarted, clBlack);
    const TLoopEnd End = RunPageLoop(
        TPageSequence::Range(First, Last),
        [this](int Page) {
            DeletePage(Page);
            return TPageOutcome::Erased;
        },
        [Last](long long, int Page) { return PercentAfterPage(Page, Last); });
    SendMessage(End == TLoopEnd::Stopped ? SDeleteStopped : SDeleteSucceeded,
                End == TLoopEnd::Stopped ? clRed : clGreen);
}

void THeadManager::DeleteImage() {
    DeletePages(0, LastChipPage);
}

void THeadManager::StopCurrentOperation() {
    // Only an operation that can be stopped is: initialisation runs to its end.
    StopAsked = StopAsked || Busy;
    Busy = false;
}

THeadManager::TPageOperation::TPageOperation(THeadManager& Head) : Head(Head) {
    if (Head.Running) {
        throw Exception(SProgrammerInUse);
    }
    Head.Running = true;
    Head.Busy = true;
    Head.StopAsked = false;
    Head.StartOperation();
}

THeadManager::TPageOperation::~TPageOperation() {
    Head.Running = false;
    Head.Busy = false;
    Head.StopAsked = false;
}

bool THeadManager::TPageOperation::StepStopped(const std::function<void()>& Step) {
    try {
        Step();
        return false;
    } catch (const EReplyWaitStopped&) {
        return true;
    }
}

// ---- Per-page steps ----

void THeadManager::TransferPage(int PageNumber) {
    if (IsImageEmpty()) {
        throw Exception(SImageNotLoaded);
    }
    // The image may have been replaced while the front end handled its input between pages.
    const TMemoryPage* Page = MemoryMap->FindPage(PageNumber);
    if (Page == nullptr) {
        throw Exception(FormatText(SPagesNotInImage, std::to_string(PageNumber).c_str()));
    }
    CurrentPage = PageNumber;
    ProtocolManager->TransferPage(PageNumber, *Page);
}

void THeadManager::WritePage(int PageNumber) {
    if (IsImageEmpty()) {
        throw Exception(SImageNotLoaded);
    }
    CurrentPage = PageNumber;
    ProtocolManager->WritePage(PageNumber);
}

bool THeadManager::ComparePage(int PageNumber) {
    CurrentPage = PageNumber;
    return ProtocolManager->ComparePage(PageNumber);
}

void THeadManager::DeletePage(int PageNumber) {
    CurrentPage = PageNumber;
    ProtocolManager->DeletePage(PageNumber);
}

void THeadManager::ReadPage(int PageNumber) {
    CurrentPage = PageNumber;
    ProtocolManager->ReadPage(PageNumber);
}

bool THeadManager::FetchReadPage(int PageNumber, IMemoryMap& Map) {
    std::shared_ptr<IMemoryPage> Page;
    try {
        ProtocolManager->RequestPage(Page);
    } catch (const EUnknuwnPageNumber& Error) {
        SendMessage(Error.what(), clRed);
        return false;
    }
    // Only the low 16 bits of a page number go to the programmer.
    const int Expected = PageNumber & 0xFFFF;
    if (Page->GetPageNumber() != Expected) {
        SendMessage(FormatText(SPageNumberMismatch, Page->GetPageNumber(), Expected), clRed);
        return false;
    }
    Map.AddPage(Page->GetPageNumber(), Page->GetAddress(), Page->GetData());
    return true;
}

void THeadManager::FetchPage(const std::shared_ptr<IMemoryMap>& Map) {
    std::shared_ptr<IMemoryPage> Page;
    ProtocolManager->RequestPage(Page);
    if (Page == nullptr) {
        return;
    }
    Map->AddPage(Page->GetPageNumber(), Page->GetAddress(), Page->GetData());
}
