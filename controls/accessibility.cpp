#include "controls/accessibility.h"

#include <QAccessibleWidget>
#include <QWidget>

#include "controls/xp_button.h"

namespace controls {
namespace {

// Set on a widget that only decorates; its parent's interface skips it.
constexpr const char* decorationProperty = "tolmaryDecoration";

bool isDecoration(const QObject* object) {
    return object->property(decorationProperty).toBool();
}

class XPButtonAccessible final : public QAccessibleWidget {
public:
    explicit XPButtonAccessible(XPButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && button()->accessibleName().isEmpty())
            return spokenCaption(button()->caption());
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = button()->isPressed();
        // The button's own flag disables it while the widget stays enabled and focusable.
        if (!button()->isXPEnabled())
            s.disabled = true;
        return s;
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (button()->isXPEnabled())
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& name) override {
        if (name == pressAction())
            button()->press();
        else
            QAccessibleWidget::doAction(name);
    }

    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == pressAction())
            return {QStringLiteral("Return")};
        return QAccessibleWidget::keyBindingsForAction(name);
    }

private:
    XPButton* button() const { return static_cast<XPButton*>(widget()); }
};

// A plain widget, as Qt presents it, whose children a reader sees without the decorations.
class PlainWidgetAccessible final : public QAccessibleWidget {
public:
    // A window is announced as a window rather than as an unnamed filler.
    explicit PlainWidgetAccessible(QWidget* widget)
        : QAccessibleWidget(widget,
                            widget->isWindow() ? QAccessible::Window : QAccessible::Client) {}

    int childCount() const override { return int(readable().size()); }

    QAccessibleInterface* child(int index) const override {
        return readable().value(index, nullptr);
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        return int(readable().indexOf(const_cast<QAccessibleInterface*>(child)));
    }

private:
    // The children Qt lists, less the decorations. Qt keeps one interface per object, so the
    // pointers compare.
    QList<QAccessibleInterface*> readable() const {
        QList<QAccessibleInterface*> children;
        for (int i = 0; i < QAccessibleWidget::childCount(); ++i) {
            QAccessibleInterface* c = QAccessibleWidget::child(i);
            if (c && !isDecoration(c->object()))
                children.append(c);
        }
        return children;
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String(XPButton::staticMetaObject.className()))
        return new XPButtonAccessible(static_cast<XPButton*>(object));
    // Reached only for widgets of no more specific Qt class, where Qt would make the same
    // interface without the filter.
    if (className == QLatin1String("QWidget"))
        return new PlainWidgetAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

}  // namespace

void installAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

void hideFromReaders(QWidget& decoration) {
    installAccessibility();
    decoration.setProperty(decorationProperty, true);
}

QString spokenCaption(const QString& caption) {
    qsizetype start = 0;
    while (start < caption.size() && caption.at(start).isSpace())
        ++start;
    return caption.mid(start);
}

}  // namespace controls
