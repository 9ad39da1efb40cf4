#include "ui/AnchorLayout.h"

#include <QEvent>
#include <QWidget>
#include <algorithm>

namespace {

// One axis: the start and length of a span anchored at its low edge, its high edge or both.
void PlaceSpan(int DesignStart, int DesignLength, bool LowAnchored, bool HighAnchored,
               int DesignExtent, int Extent, int& Start, int& Length) {
    const int HighDistance = DesignExtent - (DesignStart + DesignLength);
    if (LowAnchored && HighAnchored) {
        Start = DesignStart;
        Length = std::max(0, Extent - HighDistance - DesignStart);
    } else if (HighAnchored) {
        Start = Extent - HighDistance - DesignLength;
        Length = DesignLength;
    } else {
        Start = DesignStart;
        Length = DesignLength;
    }
}

} // namespace

TAnchorLayout::TAnchorLayout(QWidget* Container, QSize DesignSize)
    : QObject(Container), Container(Container), DesignSize(DesignSize) {
    Container->installEventFilter(this);
}

void TAnchorLayout::Add(QWidget* Child, QRect Design, unsigned Anchors) {
    Items.push_back({Child, Design, Anchors});
    Child->setGeometry(Place(Design, Anchors, DesignSize, Container->size()));
}

void TAnchorLayout::Apply() {
    for (const TItem& Item : Items) {
        Item.Child->setGeometry(Place(Item.Design, Item.Anchors, DesignSize, Container->size()));
    }
}

QRect TAnchorLayout::Place(QRect Design, unsigned Anchors, QSize DesignSize, QSize ContainerSize) {
    int Left = 0;
    int Width = 0;
    int Top = 0;
    int Height = 0;
    // A child anchored to neither edge of an axis stays where it was designed.
    PlaceSpan(Design.x(), Design.width(), (Anchors & akLeft) != 0 || (Anchors & akRight) == 0,
              (Anchors & akRight) != 0, DesignSize.width(), ContainerSize.width(), Left, Width);
    PlaceSpan(Design.y(), Design.height(), (Anchors & akTop) != 0 || (Anchors & akBottom) == 0,
              (Anchors & akBottom) != 0, DesignSize.height(), ContainerSize.height(), Top, Height);
    return QRect(Left, Top, Width, Height);
}

bool TAnchorLayout::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == Container && Event->type() == QEvent::Resize) {
        Apply();
    }
    return QObject::eventFilter(Watched, Event);
}
