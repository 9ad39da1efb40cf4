// Shortens a file path to a pixel width by replacing the middle of its folder part with "...",
// keeping the start of the path and the whole file name.
#pragma once

#include <QFontMetrics>
#include <QString>

class QLineEdit;

QString ShortenPath(const QString& Path, const QFontMetrics& Metrics, int Width);

// The width an edit has for its text: its contents less frame, text margins and padding.
int LineEditTextWidth(const QLineEdit* Edit);
