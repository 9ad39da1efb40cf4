// The modal dialog in which the user gives the first and last page index of a range command:
// two fields that take digits only, a note below them that names what is wrong with the range
// (in red) or counts its pages (in grey), and OK, enabled only for an acceptable range.
#pragma once

#include "operations/MainView.h"
#include "operations/MainWindowView.h"
#include "operations/PageRangeCheck.h"
#include "winui/DialogWindow.h"

#include <optional>
#include <string>
#include <utility>

class TPagesRangeDialog : public TDialogWindow {
public:
    static constexpr TColor ComplaintColor = 0x0000FF;
    static constexpr TColor AcceptedColor = 0x808080;

    // Makes the dialog, titled Title, over Owner for the indices MinIndex..MaxIndex.
    TPagesRangeDialog(HWND Owner, const std::string& Title, int MinIndex, int MaxIndex);

    // The range confirmed with OK.
    std::optional<TPageRange> ChosenRange() const;
    // What the fields hold, to be given to the next dialog: the numbers typed stay from one
    // use to the next.
    std::pair<std::string, std::string> Texts() const;
    void SetTexts(const std::pair<std::string, std::string>& Texts);
    // Checks both fields, writes the note and enables OK for an acceptable range.
    bool Validate();

    HWND StartIndexEdit() const { return StartEdit; }
    HWND EndIndexEdit() const { return EndEdit; }
    HWND NoteLabel() const { return Note; }
    HWND OkButton() const { return Ok; }
    HWND CancelButton() const { return Cancel; }
    TColor NoteColor() const { return NoteTextColor; }

protected:
    void CreateControls() override;
    void Layout() override;
    void Shown() override;
    void ControlCommand(int Id, int Code, HWND Control) override;
    bool Accept() override { return Validate(); }
    HBRUSH StaticColor(HWND Control, HDC Context) override;

private:
    void ShowNote(const std::string& Text, TColor Color);
    // The key filter of both fields: a character other than a digit is refused with a note.
    static LRESULT CALLBACK FilterKeys(HWND Edit, UINT Message, WPARAM WParam, LPARAM LParam,
                                       UINT_PTR Id, DWORD_PTR Dialog);

    int FirstIndex;
    int LastIndex;
    HWND FromLabel = nullptr;
    HWND ToLabel = nullptr;
    HWND StartEdit = nullptr;
    HWND EndEdit = nullptr;
    HWND Note = nullptr;
    HWND Bevel = nullptr;
    HWND Ok = nullptr;
    HWND Cancel = nullptr;
    TColor NoteTextColor = 0;
    TPageRangeVerdict Verdict;
};
