// The single façade through which a front end does everything: the current image, image files,
// the serial port name and every programmer operation, page by page. It reports only through
// its five events and shows nothing itself.
#pragma once

#include "common/ArrayTypes.h"
#include "common/ProgrammerConstants.h"
#include "operations/MainView.h"
#include "operations/ProgressStep.h"
#include "serial/SerialPort.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class IMemoryMap;
class THexFileToMemoryMapConverter;
class TProtocolManager;
class TDeviceManager;
class TLogManager;

class THeadManager {
public:
    using TImageLoadedEvent =
        std::function<void(THeadManager* Sender, const std::shared_ptr<IMemoryMap>& Image,
                           const std::string& FileName)>;
    using TImageSavedEvent = std::function<void(THeadManager* Sender, const std::string& FileName)>;
    using TMessageEvent =
        std::function<void(THeadManager* Sender, const std::string& Text, TColor Color)>;
    using TProgressEvent = std::function<void(THeadManager* Sender, const TProgressStep& Step)>;
    using TNotifyEvent = std::function<void(THeadManager* Sender)>;
    // One chip page of an operation is done: how it went.
    using TPageEvent = std::function<void(THeadManager* Sender, int Page, TPageOutcome Outcome)>;
    // Lets the front end handle its pending input once (between two pages of an operation).
    using TProcessMessagesProc = std::function<void()>;

    // Result of a compare.
    static constexpr std::uint8_t CompareEqual = 0;
    static constexpr std::uint8_t CompareDifferent = 1;
    static constexpr std::uint8_t CompareStopped = 2;

    // The chip's pages are 0 .. LastChipPage; a full read or erase covers all of them.
    static constexpr int LastChipPage = Programmer::LastPage;

    // Builds the whole programmer link, recording into Log, and opens PortName on the
    // platform's serial port, or on Port when given. Log must outlive the head manager.
    THeadManager(const std::string& PortName, std::unique_ptr<ISerialPort> Port, TLogManager& Log);
    ~THeadManager();
    THeadManager(const THeadManager&) = delete;
    THeadManager& operator=(const THeadManager&) = delete;

    // Image and files.
    void ClearImage();
    bool IsImageEmpty() const;
    void LoadImageFromFile(const std::string& FileName);
    void SaveImageToFile(const std::string& FileName);
    std::vector<std::string> ImageToStrings() const;
    const std::shared_ptr<IMemoryMap>& GetMemoryMap() const { return MemoryMap; }
    // Puts Bytes into the image at byte Address of the chip (a board's serial number), changing
    // the pages they fall in; raises Exception, leaving the image as it was, when they would
    // cross the chip's end or fall in a page the image does not hold.
    void PutIntoImage(std::int64_t Address, const TByteArray& Bytes);
    // True while the image holds pages read from the programmer that were not saved since: a
    // front end asks before anything replaces such an image.
    bool HasUnsavedRead() const { return UnsavedRead; }

    // Serial port.
    std::string GetPortName() const;
    bool SetPortName(const std::string& Name);
    // The programmer device, for what the port operations above do not tell (why the port did
    // not open).
    TDeviceManager& GetDeviceManager();

    // The chip page numbers the image holds, ascending.
    std::vector<int> ImagePageNumbers() const;
    // Pages First..Last, when the image holds every one of them; else raises Exception naming
    // the pages it does not hold.
    std::vector<int> ImagePagesInRange(int First, int Last) const;

    // Programmer operations. Writes and compares send each image page to the chip page of its
    // own number: a range must lie within the image, and a whole-image write or compare
    // touches exactly the pages the image holds.
    bool Initialize();
    void WritePages(int First, int Last);
    void WriteImage();
    std::uint8_t ComparePages(int First, int Last);
    std::uint8_t CompareImage();
    void ReadPages(int First, int Last);
    void ReadImage();
    void DeletePages(int First, int Last);
    void DeleteImage();
    // Asks the running page operation to stop: after its current page, or at once while it
    // awaits the programmer's answer (the page in progress is then left undone). The
    // operation ends with its stopped line.
    void StopCurrentOperation();
    bool IsBusy() const { return Busy; }
    // True from the start of any programmer operation (initialisation included) to its end,
    // also after a stop was asked for; another operation asked for meanwhile is refused.
    bool IsRunning() const { return Running; }
    // Pages of the last read that the programmer did not give (it could not identify them, or
    // answered with another page), in ascending order; empty after a complete read, a load or
    // a cleared image. The image holds no page for them.
    const std::vector<int>& GetMissingPages() const { return MissingPages; }
    // The page of the last per-page step (-1 before the first): after a page's progress the
    // page just done, after a compare that found a difference the differing page.
    int GetCurrentPage() const { return CurrentPage; }
    // The identification text of the last successful initialisation.
    const std::string& GetIdentification() const { return Identification; }

    // A page operation built outside the head manager on its per-page steps (the verification)
    // runs as the head manager's own operations do: refused while another one runs, busy from
    // its start until it ends or StopCurrentOperation is called, its lines and progress through
    // OnMessage and OnProgress, the progress timed from its start.
    class TPageOperation {
    public:
        explicit TPageOperation(THeadManager& Head);
        ~TPageOperation();
        TPageOperation(const TPageOperation&) = delete;
        TPageOperation& operator=(const TPageOperation&) = delete;

        void Message(const std::string& Text, TColor Color) { Head.SendMessage(Text, Color); }
        void Progress(int Percent) { Head.SendProgress(Percent); }
        // Lets the front end handle its input once after a page; true when it stopped the
        // operation.
        bool PageDoneAndStopped() { return Head.ProcessMessagesAndCheckStop(); }
        // Runs one page's Step; true when the operation was stopped while Step awaited the
        // programmer's answer (the page is then neither done nor failed).
        static bool StepStopped(const std::function<void()>& Step);

    private:
        THeadManager& Head;
    };

    // Per-page steps.
    void TransferPage(int PageNumber);
    void WritePage(int PageNumber);
    bool ComparePage(int PageNumber);
    void DeletePage(int PageNumber);
    void ReadPage(int PageNumber);
    void FetchPage(const std::shared_ptr<IMemoryMap>& Map);

    TImageLoadedEvent OnImageLoaded;
    TImageSavedEvent OnImageSaved;
    TMessageEvent OnMessage;
    TProgressEvent OnProgress;
    TNotifyEvent OnImageCleared;
    TPageEvent OnPageDone;
    TProcessMessagesProc ProcessMessages;
    // Lets the front end handle its input while the programmer's answer is awaited (every few
    // milliseconds of a time-out). It may stop the operation, but must not start another one.
    TProcessMessagesProc WhileWaiting;

private:
    // The pages a page loop goes through: the listed ones, or every page of a range (which
    // may be long: it is never spelled out).
    class TPageSequence {
    public:
        explicit TPageSequence(std::vector<int> Listed)
            : Listed(std::move(Listed)), Count(static_cast<long long>(this->Listed.size())) {}
        static TPageSequence Range(int First, int Last) {
            return TPageSequence(First, static_cast<long long>(Last) - First + 1);
        }
        long long Size() const { return Count; }
        int At(long long Index) const {
            return Listed.empty() ? static_cast<int>(First + Index)
                                  : Listed[static_cast<std::size_t>(Index)];
        }

    private:
        TPageSequence(int First, long long Count) : First(First), Count(Count < 0 ? 0 : Count) {}
        std::vector<int> Listed;
        int First = 0;
        long long Count = 0;
    };
    // One page's exchanges in a page loop, and how the page went.
    using TPageStep = std::function<TPageOutcome(int Page)>;
    // The percentage after the page at Index of a loop.
    using TPercentRule = std::function<int(long long Index, int Page)>;
    enum class TLoopEnd { Finished, Stopped, Differs };
    // Pages to write or compare, and the progress scale: after the page at Index the operation
    // is at position ScaleFirst + Index of 0..ScaleLast. A range First..Last is its own scale,
    // so its percentage counts from page 0 as a range always has; a whole image counts its
    // pages.
    struct TPagePlan {
        TPageSequence Pages;
        int ScaleFirst = 0;
        int ScaleLast = 0;
        TPercentRule Scale() const;
    };
    TPagePlan RangePlan(int First, int Last) const;
    TPagePlan ImagePlan() const;
    // The one loop of every page operation: each page's Step, its outcome and progress
    // reported, the front end's input handled between pages. It ends after the last page,
    // after a page that differs, or when the operation was stopped.
    TLoopEnd RunPageLoop(const TPageSequence& Pages, const TPageStep& Step,
                         const TPercentRule& PercentAfter);
    void WritePlannedPages(const TPagePlan& Plan);
    std::uint8_t ComparePlannedPages(const TPagePlan& Plan);
    void RefuseEmptyImage(const char* Text) const;
    // The progress of the operation now beginning is timed from here.
    void StartOperation();
    // Raise OnMessage / OnProgress when assigned.
    void SendMessage(const std::string& Text, TColor Color);
    void SendProgress(int Percent);
    void SendPageDone(int Page, TPageOutcome Outcome);
    // Runs one page's Steps; an exception they raise marks the page failed on its way out.
    void RunPageSteps(int Page, const std::function<void()>& Steps);
    // Lets the front end handle its input once; true when the running operation was stopped.
    bool ProcessMessagesAndCheckStop();
    // Fetches the page just read into Map; false (after a red line) when the programmer could
    // not identify it or gave another page.
    bool FetchReadPage(int PageNumber, IMemoryMap& Map);
    // Makes the pages of a read the current image and announces it. Missing: the pages the
    // read did not get.
    void TakeReadImage(const std::shared_ptr<IMemoryMap>& ReadMap, std::vector<int> Missing);

    TLogManager& Log;
    std::unique_ptr<THexFileToMemoryMapConverter> Converter;
    std::shared_ptr<IMemoryMap> MemoryMap;
    std::unique_ptr<TProtocolManager> ProtocolManager;
    std::vector<int> MissingPages;
    bool UnsavedRead = false;
    bool Busy = false;
    bool Running = false;
    // Set by StopCurrentOperation while a page operation runs; ends a wait for an answer.
    bool StopAsked = false;
    TProgressClock Clock;
    int CurrentPage = -1;
    std::string Identification;
};
