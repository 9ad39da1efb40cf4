// One run of Velmora against one programmer, as both front ends start it: the programmer made on
// the right port from the start (the one handed in, else the one asked for, else the stored
// one), the head manager's events connected to the image state, the information pane and the
// progress display, and the port stored again at the end. A front end only implements
// IMainView and hands its view and its message processing in.
#pragma once

#include "logging/LogManager.h"
#include "operations/MainView.h"
#include "operations/Settings.h"
#include "serial/SerialPort.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TBurnImagae;
class TDeviceManager;
class THeadManager;
class TInfoRichEdit;
class TProgrammer;
class TProgress;
struct TProgressStep;

struct TSessionOptions {
    // The port to open; empty: the stored one (COM1 when none is stored).
    std::string PortName;
    // Read the port and the log limit from the settings file.
    bool ReadSettings = true;
    // Store the port in use in the settings file at the end (never when simulating).
    bool StorePort = false;
    std::string SettingsFileName = DefaultSettingsFileName();
    std::string LogFileName = TLogManager::DefaultFileName();
    // The command line's log limit; it wins over the settings file.
    std::optional<std::uint64_t> LogLimit;
    // Add to an existing log instead of starting it anew.
    bool ContinueLog = false;
};

class TSession {
public:
    // Makes the image state, the information sink, the progress display and the programmer on
    // the chosen port and connects the head manager's events. Port: a port made by the caller
    // (a simulated programmer's, say), opened under Options.PortName; the stored port is then
    // neither read nor changed. Null: the platform's serial port. Raises what the programmer
    // raises.
    explicit TSession(TSessionOptions Options, std::unique_ptr<ISerialPort> Port = nullptr);
    // Stores the port (when asked to), then releases everything in reverse order.
    ~TSession();
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    // Shows the image state, the information lines and (when WithProgress) the progress in
    // View; nullptr detaches. The view must outlive its attachment.
    void AttachView(IMainView* NewView, bool WithProgress = true);
    // Also hands every progress step to Follower (a front end that shows the numbers its own
    // way); an empty one stops that.
    void FollowProgress(std::function<void(const TProgressStep&)> Follower);
    // Lets the front end handle its input between two pages of an operation.
    void SetProcessMessages(std::function<void()> ProcessMessages);
    // Lets the front end handle its input while an answer of the programmer is awaited.
    void SetWhileWaiting(std::function<void()> WhileWaiting);
    // The progress display back to idle, after an operation or when the image is emptied.
    void ResetProgress();

    THeadManager& Head();
    const THeadManager& Head() const;
    TLogManager& Log();
    TBurnImagae& BurnImage() { return *ImageState; }
    TInfoRichEdit& Info() { return *InfoSink; }
    TProgress& Progress() { return *ProgressDisplay; }
    const TSessionOptions& GetOptions() const { return Options; }

    // A line for the user when the settings file exists but could not be read.
    const std::optional<std::string>& GetSettingsProblem() const { return SettingsProblem; }
    // Why the port in use could not be opened, when it could not.
    std::optional<TCommOpenResult> GetPortProblem();
    // Stores the port in use in the settings file now (as the end of the session does).
    bool StorePortName();

private:
    std::string ChoosePort();
    void ConnectEvents();
    void ClearImageView();
    // The image was replaced: a chip map starts anew from the pages it holds.
    void ShowImagePages(const std::vector<int>& Pages);

    TSessionOptions Options;
    std::optional<std::string> SettingsProblem;
    // Made in this order and released in the reverse one: what shows the programmer's work
    // outlives the programmer.
    std::unique_ptr<TBurnImagae> ImageState;
    std::unique_ptr<TInfoRichEdit> InfoSink;
    std::unique_ptr<TProgress> ProgressDisplay;
    std::unique_ptr<TProgrammer> Programmer;
    IMainView* View = nullptr;
    std::function<void(const TProgressStep&)> ProgressFollower;
};
