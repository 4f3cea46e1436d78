#pragma once
// Test helpers that look at an open chord window through its controls' names.

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTest>

#include "chords/chord_window.h"
#include "chords/marker_layout.h"

namespace chords_test {

inline const QStringList cMajor{"B1", "D2", "A3", "EE3"};

inline QLabel* marker(QWidget* window, const QString& name) {
    return window->findChild<QLabel*>(name, Qt::FindDirectChildrenOnly);
}

// Names of the markers that are shown, in layout order; a missing marker is listed as "NAME?".
inline QStringList visibleMarkers(QWidget* window) {
    QStringList shown;
    for (int i = 0; i < chords::markerCount; ++i) {
        const QString name = QString::fromStdString(chords::markerName(i));
        if (QLabel* label = marker(window, name); label == nullptr || !label->isHidden())
            shown << (label == nullptr ? name + u'?' : name);
    }
    return shown;
}

inline void press(QWidget* window, const QString& name) {
    auto* target = window->findChild<QPushButton*>(name, Qt::FindDirectChildrenOnly);
    QVERIFY2(target != nullptr, qPrintable(name));
    QTest::mouseClick(target, Qt::LeftButton);
}

inline QList<chords::frmPrijemi*> openChordWindows() {
    QList<chords::frmPrijemi*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<chords::frmPrijemi*>(widget))
            windows << window;
    return windows;
}

// Closes every chord window and lets the deferred deletions run.
inline void closeChordWindows() {
    for (chords::frmPrijemi* window : openChordWindows())
        window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace chords_test
