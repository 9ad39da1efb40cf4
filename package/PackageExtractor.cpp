#include "package/PackageExtractor.h"

#include "common/ResourseStrings.h"
#include "logging/LogManager.h"

#include <exception>
#include <utility>

namespace {

// The extractor thread has no caller to report to: a failure while handling one package (a log
// write error, an exception of the handler) is logged if possible and the thread goes on.
void ReportFailure(TLogManager& Log, const std::exception& Error) {
    try {
        Log.WriteMessage(Error.what());
    } catch (...) {
    }
}

} // namespace

TPackageExtractor::TPackageExtractor(std::uint8_t StartMarker, std::uint8_t EndMarker,
                                     TLogManager& Log)
    : Log(Log), Scanner(StartMarker, EndMarker) {
    Sink.Package = [this](TByteArray&& Package) { PackageCut(std::move(Package)); };
    Sink.Emptied = [&Log] {
        Log.WriteMessage(SPackageExtractorIndexesZeroed);
        Log.WriteMessage("");
    };
    Thread = std::thread(&TPackageExtractor::Execute, this);
}

TPackageExtractor::~TPackageExtractor() {
    Terminated = true;
    WakeUp.Set();
    Thread.join();
    try {
        Log.WriteMessage(SPackageExtractorDestroyed);
    } catch (...) {
    }
}

void TPackageExtractor::AddBytes(const TByteArray& Bytes) {
    Scanner.Feed(Bytes.data(), Bytes.size(), Sink);
    BufferCapacity = Scanner.GetCapacity();
    bool AnyReady = false;
    {
        std::lock_guard<std::mutex> Guard(ReadyLock);
        AnyReady = !Ready.empty();
    }
    if (AnyReady) {
        Log.WriteMessage(SPackageExtractorStarted);
        WakeUp.Set();
    }
}

void TPackageExtractor::PackageCut(TByteArray&& Package) {
    if (!OnPackageExtracted && !TakeAtOnce) {
        return;
    }
    try {
        Log.WriteBytes(Package, SPackageReceived);
    } catch (const std::exception& Error) {
        // The package still goes on: it is what the waiting request needs.
        ReportFailure(Log, Error);
    }
    if (Undelivered == 0 && TakeAtOnce && TakeAtOnce(Package)) {
        return;
    }
    ++Undelivered;
    std::lock_guard<std::mutex> Guard(ReadyLock);
    Ready.push_back(std::move(Package));
}

void TPackageExtractor::WaitUntilDelivered() {
    if (Undelivered == 0) {
        return;
    }
    std::unique_lock<std::mutex> Guard(ReadyLock);
    AllDelivered.wait(Guard, [this] { return Undelivered == 0 || Terminated; });
}

std::deque<TByteArray> TPackageExtractor::TakeReady() {
    std::lock_guard<std::mutex> Guard(ReadyLock);
    return std::exchange(Ready, {});
}

void TPackageExtractor::Execute() {
    while (!Terminated) {
        std::deque<TByteArray> Packages = TakeReady();
        if (Packages.empty()) {
            try {
                Log.WriteMessage(SPackageExtractorSuspended);
            } catch (const std::exception& Error) {
                ReportFailure(Log, Error);
            }
            // Auto-reset: a Set given after the check above is kept until this wait.
            WakeUp.Wait();
            continue;
        }
        for (const TByteArray& Package : Packages) {
            try {
                DeliverPackage(Package);
            } catch (const std::exception& Error) {
                ReportFailure(Log, Error);
            } catch (...) {
            }
            if (--Undelivered == 0) {
                // Taken and left so that a waiter checking the count under it cannot miss this.
                { const std::lock_guard<std::mutex> Guard(ReadyLock); }
                AllDelivered.notify_all();
            }
        }
    }
    try {
        Log.WriteMessage(SPackageExtractorBreak);
    } catch (...) {
    }
}

void TPackageExtractor::DeliverPackage(const TByteArray& Package) {
    if (OnPackageExtracted) {
        OnPackageExtracted(this, Package);
    }
}
