// The base of every exception family of the program. Its what() is the user-visible message:
// the sentence of the string table, followed by what is known of where the failure happened
// and why (the page, the command and the reply code of the programmer, the file or the port).
// The layers a failure passes through add what they know on its way out.
#pragma once

#include "common/ResourseStrings.h"

#include <optional>
#include <stdexcept>
#include <string>

// Where a failure happened and why; what is not known stays empty.
struct TFailureDetails {
    // The chip page the failure happened on.
    std::optional<int> Page;
    // The command sent to the programmer, and the reply code it answered with.
    std::optional<int> Command;
    std::optional<int> Reply;
    // The file, or the port, the failure is about; Reason then says what the system found.
    std::string File;
    std::string Port;
    // Why, in words: of File or Port when one is given, else a sentence of its own.
    std::string Reason;
};

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& Message) : std::runtime_error(Message), Text(Message) {}

    // The message followed by the details.
    const char* what() const noexcept override { return Text.c_str(); }
    // The sentence of the string table alone.
    const char* Message() const noexcept { return std::runtime_error::what(); }
    const TFailureDetails& Details() const noexcept { return FailureDetails; }

    // Each adds what is not known yet; what is known stays (the layer nearest the failure knows
    // best).
    void AtPage(int Page) {
        if (!FailureDetails.Page) {
            FailureDetails.Page = Page;
            Compose();
        }
    }
    void AtCommand(int Command) {
        if (!FailureDetails.Command) {
            FailureDetails.Command = Command;
            Compose();
        }
    }
    void WithReply(int Reply) {
        if (!FailureDetails.Reply) {
            FailureDetails.Reply = Reply;
            Compose();
        }
    }
    void OfFile(const std::string& File, const std::string& Reason) {
        FailureDetails.File = File;
        FailureDetails.Reason = WithoutFullStop(Reason);
        Compose();
    }
    void OfPort(const std::string& Port, const std::string& Reason) {
        FailureDetails.Port = Port;
        FailureDetails.Reason = WithoutFullStop(Reason);
        Compose();
    }
    void Because(const std::string& Sentence) {
        FailureDetails.Reason = Sentence;
        Compose();
    }

private:
    // A reason goes inside a sentence of the string table, which ends it itself.
    static std::string WithoutFullStop(std::string Reason) {
        while (!Reason.empty() && (Reason.back() == '.' || Reason.back() == ' ')) {
            Reason.pop_back();
        }
        return Reason;
    }

    // "Страница 17, команда 20h, ответ 13h.", as far as known; empty when nothing is.
    std::string PlaceText() const {
        std::string Place;
        if (FailureDetails.Page) {
            Place = FormatText(SFailurePage, *FailureDetails.Page);
        }
        if (FailureDetails.Command) {
            Place += FormatText(Place.empty() ? SFailureCommandFirst : SFailureCommandNext,
                                static_cast<unsigned>(*FailureDetails.Command));
        }
        if (FailureDetails.Reply) {
            Place += FormatText(Place.empty() ? SFailureReplyFirst : SFailureReplyNext,
                                static_cast<unsigned>(*FailureDetails.Reply));
        }
        return Place.empty() ? Place : Place + ".";
    }

    std::string ReasonText() const {
        if (!FailureDetails.File.empty()) {
            return FormatText(SFailureFile, FailureDetails.File.c_str(),
                              FailureDetails.Reason.c_str());
        }
        if (!FailureDetails.Port.empty()) {
            return FormatText(SPortNotOpened, FailureDetails.Port.c_str(),
                              FailureDetails.Reason.c_str());
        }
        return FailureDetails.Reason;
    }

    void Compose() {
        Text = Message();
        for (const std::string& Detail : {PlaceText(), ReasonText()}) {
            if (!Detail.empty()) {
                Text += " " + Detail;
            }
        }
    }

    TFailureDetails FailureDetails;
    std::string Text;
};
