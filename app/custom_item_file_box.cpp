#include "app/custom_item_file_box.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QPointer>

namespace mw {

CCustomItemFileBox::CCustomItemFileBox(std::function<std::optional<QString>()> browse, QWidget* parent)
    : QWidget(parent), line_(new QLineEdit(this)), button_(new QToolButton(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(line_, 1);
    button_->setText(QStringLiteral("..."));
    button_->setAccessibleName(QStringLiteral("Browse"));
    button_->setToolTip(QStringLiteral("Choose the texture file"));
    layout->addWidget(button_);
    setFocusProxy(line_);
    line_->installEventFilter(this);
    connect(button_, &QToolButton::clicked, this, [this, browse = std::move(browse)] {
        // The chooser is modal: the grid may close this editor while it is open.
        const QPointer<CCustomItemFileBox> self(this);
        const std::optional<QString> shown = browse();
        if (self && shown)
            line_->setText(*shown);
    });
}

bool CCustomItemFileBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == line_ && event->type() == QEvent::FocusOut) {
        QFocusEvent out(QEvent::FocusOut, static_cast<QFocusEvent*>(event)->reason());
        QCoreApplication::sendEvent(this, &out);
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace mw
