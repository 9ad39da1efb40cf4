// Pictures of the program for its documentation: the main window after an image was loaded and
// written, the page range dialog and the about box, each saved as a PNG file.
#pragma once

#include <QString>

class TMainForm;
class THeadManager;

// Drives the window through the scene, saves main-window.png, range-dialog.png and
// about-box.png into Folder and closes the window. False when a picture could not be saved
// (reported on standard error).
bool TakeScreenshots(TMainForm& Window, THeadManager& Head, const QString& Folder,
                     const QString& ImageFile);
