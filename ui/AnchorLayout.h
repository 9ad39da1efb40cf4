// Keeps child widgets at fixed distances from chosen edges of their container, so that a
// window laid out for one size stretches its parts the way the design intends.
#pragma once

#include <QObject>
#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

enum TAnchor : unsigned {
    akLeft = 1,
    akTop = 2,
    akRight = 4,
    akBottom = 8,
};

class TAnchorLayout : public QObject {
    Q_OBJECT
public:
    // DesignSize: the container's size for which the design rectangles are given.
    TAnchorLayout(QWidget* Container, QSize DesignSize);

    // Places Child at Design and keeps the anchored edges at their design distances when the
    // container changes size; an edge pair anchored on both sides stretches the child.
    void Add(QWidget* Child, QRect Design, unsigned Anchors = akLeft | akTop);
    // Lays every child out for the container's present size.
    void Apply();

    // Where a design rectangle lies in a container of ContainerSize.
    static QRect Place(QRect Design, unsigned Anchors, QSize DesignSize, QSize ContainerSize);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    struct TItem {
        QWidget* Child;
        QRect Design;
        unsigned Anchors;
    };

    QWidget* Container;
    QSize DesignSize;
    std::vector<TItem> Items;
};
