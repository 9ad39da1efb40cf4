#include "ui/PathEllipsis.h"

#include <algorithm>

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {
const QString Ellipsis = QStringLiteral("...");

qsizetype LastSeparator(const QString& Path) {
    return std::max(Path.lastIndexOf(QLatin1Char('/')), Path.lastIndexOf(QLatin1Char('\\')));
}

bool Fits(const QString& Text, const QFontMetrics& Metrics, int Width) {
    return Metrics.horizontalAdvance(Text) <= Width;
}
} // namespace

QString ShortenPath(const QString& Path, const QFontMetrics& Metrics, int Width) {
    if (Fits(Path, Metrics, Width)) {
        return Path;
    }
    const qsizetype Separator = LastSeparator(Path);
    if (Separator < 0) {
        return Metrics.elidedText(Path, Qt::ElideMiddle, Width);
    }
    // The file name keeps its separator so the result still reads as a path.
    const QString Tail = Path.mid(Separator);
    const QString Folder = Path.left(Separator);

    // The longest start of the folder part that still fits; the width of a prefix grows with
    // its length, so a binary search finds it.
    qsizetype Low = 0;
    qsizetype High = Folder.size();
    while (Low < High) {
        const qsizetype Middle = (Low + High + 1) / 2;
        if (Fits(Folder.left(Middle) + Ellipsis + Tail, Metrics, Width)) {
            Low = Middle;
        } else {
            High = Middle - 1;
        }
    }
    const QString Shortened = Folder.left(Low) + Ellipsis + Tail;
    if (Fits(Shortened, Metrics, Width)) {
        return Shortened;
    }
    // Not even the file name fits: cut it in its middle so that its extension stays visible.
    return Metrics.elidedText(Ellipsis + Tail, Qt::ElideMiddle, Width);
}

int LineEditTextWidth(const QLineEdit* Edit) {
    // QLineEdit keeps a fixed horizontal margin of 2 pixels on either side of its text.
    constexpr int LineEditHorizontalMargin = 2;
    QStyleOptionFrame Option;
    Option.initFrom(Edit);
    Option.rect = Edit->contentsRect();
    Option.lineWidth = Edit->hasFrame()
                           ? Edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &Option, Edit)
                           : 0;
    Option.midLineWidth = 0;
    Option.state |= QStyle::State_Sunken;
    const QRect Contents =
        Edit->style()->subElementRect(QStyle::SE_LineEditContents, &Option, Edit);
    const QMargins Margins = Edit->textMargins();
    const int Width =
        Contents.width() - Margins.left() - Margins.right() - 2 * LineEditHorizontalMargin;
    return std::max(Width, 0);
}
