#include "app/Screenshots.h"

#include "image/MemoryMapObjects.h"
#include "operations/HeadManager.h"
#include "operations/UnsavedRead.h"
#include "ui/AboutForm.h"
#include "ui/ConstraintedEdit.h"
#include "ui/MainForm.h"
#include "ui/PagesRangeForm.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QProgressBar>
#include <QTabWidget>
#include <QTextStream>
#include <QWidget>

#include <algorithm>

namespace {

void Settle() {
    for (int Round = 0; Round < 3; ++Round) {
        QCoreApplication::processEvents();
    }
}

bool Save(QWidget& Widget, const QString& Folder, const QString& Name) {
    Settle();
    const QString FileName = QDir(Folder).filePath(Name);
    if (Widget.grab().save(FileName, "PNG")) {
        return true;
    }
    QTextStream(stderr) << "velmora: cannot save " << FileName << "\n";
    return false;
}

} // namespace

bool TakeScreenshots(TMainForm& Window, THeadManager& Head, const QString& Folder,
                     const QString& ImageFile) {
    QDir().mkpath(Folder);
    // The read taken in progress below is dropped at the end without a question.
    Window.AskAboutUnsavedRead = [](const QString&) { return TUnsavedReadAnswer::DontSave; };
    Window.show();
    Window.raise();
    Settle();

    if (!ImageFile.isEmpty()) {
        Window.Guarded([&Head, &ImageFile] { Head.LoadImageFromFile(ImageFile.toStdString()); });
        Window.WriteImageAction->trigger();
    }
    bool Saved = Save(Window, Folder, QStringLiteral("main-window.png"));

    TPagesRangeForm& Range = Window.GetPagesRangeForm();
    const std::vector<int> ImagePages = Head.ImagePageNumbers();
    const int LastPage = ImagePages.empty() ? 0 : ImagePages.back();
    Range.Prepare(0, LastPage);
    Range.show();
    Range.StartIndexEdit->setText(QStringLiteral("0"));
    Range.EndIndexEdit->setText(QString::number(std::min(LastPage, 3)));
    Range.ValidateRange();
    Saved = Save(Range, Folder, QStringLiteral("range-dialog.png")) && Saved;
    Range.hide();

    TAboutForm& About = Window.GetAboutForm();
    About.show();
    Saved = Save(About, Folder, QStringLiteral("about-box.png")) && Saved;
    About.hide();

    // A full read in progress, with its percentage and remaining time, taken once a third of
    // the chip is read.
    bool InProgressSaved = false;
    THeadManager::TProcessMessagesProc Handling = Head.ProcessMessages;
    Head.ProcessMessages = [&] {
        Handling();
        if (!InProgressSaved && Window.ProgressBar->value() >= 33) {
            InProgressSaved = Save(Window, Folder, QStringLiteral("operation-in-progress.png"));
            Window.StopAction->trigger();
        }
    };
    Window.ReadAction->trigger();
    Head.ProcessMessages = Handling;
    Saved = InProgressSaved && Saved;

    // The chip map after a check of every page that found a difference: the image written
    // again, one of its pages erased behind its back, then checked.
    if (!ImageFile.isEmpty()) {
        Window.Guarded([&Head, &ImageFile] {
            Head.LoadImageFromFile(ImageFile.toStdString());
            Head.WriteImage();
            Head.DeletePages(1, 1);
        });
        Window.VerifyAllAction->trigger();
        Window.PageControl1->setCurrentWidget(Window.ChipMapTabSheet);
        Saved = Save(Window, Folder, QStringLiteral("chip-map.png")) && Saved;
    }

    Window.close();
    return Saved;
}
