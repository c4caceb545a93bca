#include "platform/ui/ErrorDisplay.h"

#include "platform/ui/DialogIcons.h"

#include <QApplication>
#include <QMessageBox>

#include <algorithm>
#include <cstdio>

namespace parlino::ui {

namespace {

QString TimeOfDay(const QDateTime& time)
{
    return time.toString(QStringLiteral("hh:mm:ss"));
}

void WriteToStandardError(const QString& line)
{
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

// True when `widget` is `ancestor` or stands in it, across windows too.
bool Holds(const QWidget* ancestor, const QWidget* widget)
{
    for (; widget; widget = widget->parentWidget())
        if (widget == ancestor)
            return true;
    return false;
}

}  // namespace

struct ErrorDisplay::Box {
    QString caption;
    DialogIcon icon = DialogIcon::Error;
    QPointer<QWidget> owner;
    bool hasOwner = false;
    int count = 0;
    QString firstText;
    QDateTime firstTime;
    QString lastText;
    QDateTime lastTime;
    std::deque<QString> listed;      // the latest messages with their times, oldest first
    // The box on screen; none under the test hook. Forgotten as soon as it is destroyed.
    QMessageBox* widget = nullptr;

    bool holds(const Message& message) const
    {
        return message.caption == caption && message.icon == icon && message.hasOwner == hasOwner
            && message.owner == owner;
    }

    QString text() const
    {
        if (count == 1)
            return firstText;
        return QStringLiteral("%1 messages since %2. The latest, at %3:\n\n%4")
            .arg(count)
            .arg(TimeOfDay(firstTime), TimeOfDay(lastTime), lastText);
    }

    QString details() const
    {
        if (count == 1)
            return {};
        QStringList lines;
        if (static_cast<std::size_t>(count) > listed.size())
            lines << QStringLiteral("The latest %1 of %2 (standard error holds them all):")
                         .arg(listed.size())
                         .arg(count);
        for (const QString& line : listed)
            lines << line;
        return lines.join(QLatin1Char('\n'));
    }
};

ErrorDisplay::ErrorDisplay(QObject* parent)
    : QObject(parent)
    , log_(&WriteToStandardError)
{
}

ErrorDisplay::~ErrorDisplay()
{
    closeAll();
}

void ErrorDisplay::post(const QString& text, const QString& caption, DialogIcon icon, QWidget* owner)
{
    Message message{text, caption, icon, owner, owner != nullptr, QDateTime::currentDateTime()};
    bool first = false;
    {
        std::lock_guard lock(pendingMutex_);
        log_(logLine(message));
        first = pending_.empty();
        pending_.push_back(std::move(message));
    }
    // One queued call shows everything that arrives before the event loop gets to it.
    if (first)
        QMetaObject::invokeMethod(this, [this] { showPending(); }, Qt::QueuedConnection);
}

void ErrorDisplay::postError(const QString& text)
{
    post(text, QApplication::applicationName(), DialogIcon::Error);
}

void ErrorDisplay::note(const QString& text, const QString& caption)
{
    const Message message{text, caption, DialogIcon::None, nullptr, false, QDateTime::currentDateTime()};
    std::lock_guard lock(pendingMutex_);
    log_(logLine(message));
}

void ErrorDisplay::setDefaultOwner(QWidget* window)
{
    defaultOwner_ = window;
}

QWidget* ErrorDisplay::ownerNow() const
{
    if (!defaultOwner_)
        return nullptr;
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (defaultOwner_->isVisible() && !defaultOwner_->isMinimized())
        return defaultOwner_;
    return nullptr;
}

void ErrorDisplay::setLog(std::function<void(const QString&)> log)
{
    std::lock_guard lock(pendingMutex_);
    log_ = std::move(log);
}

void ErrorDisplay::showPending()
{
    std::vector<Message> batch;
    {
        std::lock_guard lock(pendingMutex_);
        batch.swap(pending_);
    }
    std::vector<Box*> opened;
    std::vector<Box*> grown;
    for (Message& message : batch) {
        if (!message.hasOwner) {
            message.owner = ownerNow();
            message.hasOwner = message.owner != nullptr;
        }
        Box* box = boxFor(message);
        if (!box && boxes_.size() < MaxOpenBoxes) {
            auto made = std::make_unique<Box>();
            made->caption = message.caption;
            made->icon = message.icon;
            made->owner = message.owner;
            made->hasOwner = message.hasOwner;
            box = made.get();
            boxes_.push_back(std::move(made));
            opened.push_back(box);
        } else if (!box) {
            box = boxes_.back().get();
        }
        gather(*box, message);
        if (std::find(opened.begin(), opened.end(), box) == opened.end()
            && std::find(grown.begin(), grown.end(), box) == grown.end())
            grown.push_back(box);
    }
    for (Box* box : grown) {
        if (box->widget) {
            box->widget->setText(box->text());
            box->widget->setDetailedText(box->details());
        }
    }
    for (Box* box : opened)
        present(*box);
}

ErrorDisplay::Box* ErrorDisplay::boxFor(const Message& message)
{
    for (const auto& box : boxes_)
        if (box->holds(message))
            return box.get();
    return nullptr;
}

void ErrorDisplay::gather(Box& box, const Message& message)
{
    if (box.count == 0) {
        box.firstText = message.text;
        box.firstTime = message.time;
    }
    ++box.count;
    box.lastText = message.text;
    box.lastTime = message.time;
    // A message of another kind that had to join this box says what it is.
    const QString prefix = message.caption == box.caption ? QString() : message.caption + QStringLiteral(": ");
    box.listed.push_back(TimeOfDay(message.time) + QLatin1Char(' ') + prefix + message.text);
    if (box.listed.size() > MaxListedMessages)
        box.listed.pop_front();
}

void ErrorDisplay::present(Box& box)
{
    bool answered = false;
    const DialogResponse response = RespondThroughHook(
        {DialogRequest::Kind::Message, box.caption, box.text(), DialogButtons::Ok, box.icon, {}}, answered);
    if (answered) {
        if (!response.leaveOpen)
            closeBox(&box);
        return;
    }
    // A widget holding the mouse would keep the operator from the box.
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    auto* widget = new QMessageBox(ToQtIcon(box.icon), box.caption, box.text(), QMessageBox::Ok,
                                   box.hasOwner ? box.owner.data() : nullptr);
    widget->setAttribute(Qt::WA_DeleteOnClose);
    // A box with an owner keeps the operator from that window until answered, as a message
    // box would, yet without a loop of its own. One without keeps everything usable.
    widget->setWindowModality(box.hasOwner ? Qt::WindowModal : Qt::NonModal);
    widget->setDetailedText(box.details());
    box.widget = widget;
    // Watches for modal dialogs shown while a box with an owner is open.
    if (box.hasOwner)
        qApp->installEventFilter(this);
    const Box* key = &box;
    connect(widget, &QMessageBox::finished, this, [this, key] { closeBox(key); });
    // Its owner may go first and take the box with it.
    connect(widget, &QObject::destroyed, this, [this, key] { forgetBox(key); });
    widget->show();
}

bool ErrorDisplay::isBoxWidget(const QObject* object) const
{
    return std::any_of(boxes_.begin(), boxes_.end(),
                       [object](const auto& box) { return box->widget == object; });
}

bool ErrorDisplay::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* shown = static_cast<QWidget*>(watched);
        if (shown->isWindow() && shown->windowModality() == Qt::ApplicationModal &&
            !isBoxWidget(shown)) {
            // Moved once the dialog's own showing is over.
            const QPointer<QWidget> dialog(shown);
            QMetaObject::invokeMethod(
                this, [this, dialog] { moveOverModalDialog(dialog); }, Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

void ErrorDisplay::moveOverModalDialog(QWidget* dialog)
{
    if (!dialog || !dialog->isVisible())
        return;
    for (const auto& box : boxes_) {
        QMessageBox* widget = box->widget;
        // A dialog the owner stands in does not block the box: it stays.
        if (!widget || !box->hasOwner || !box->owner || Holds(dialog, box->owner))
            continue;
        box->owner = dialog;
        widget->setParent(dialog, widget->windowFlags());
        widget->setWindowModality(Qt::WindowModal);
        widget->show();
    }
}

std::unique_ptr<ErrorDisplay::Box> ErrorDisplay::takeBox(const Box* box)
{
    const auto it = std::find_if(boxes_.begin(), boxes_.end(), [box](const auto& b) { return b.get() == box; });
    if (it == boxes_.end())
        return nullptr;
    std::unique_ptr<Box> taken = std::move(*it);
    boxes_.erase(it);
    if (boxes_.empty() && qApp)
        qApp->removeEventFilter(this);
    return taken;
}

void ErrorDisplay::closeBox(const Box* box)
{
    const std::unique_ptr<Box> closing = takeBox(box);
    if (closing && closing->widget) {
        closing->widget->disconnect(this);
        closing->widget->close();
    }
}

void ErrorDisplay::forgetBox(const Box* box)
{
    takeBox(box);
}

std::vector<ErrorDisplay::OpenBox> ErrorDisplay::openBoxes() const
{
    std::vector<OpenBox> result;
    for (const auto& box : boxes_)
        result.push_back({box->caption, box->icon, box->text(), box->count});
    return result;
}

void ErrorDisplay::closeAll()
{
    while (!boxes_.empty())
        closeBox(boxes_.front().get());
}

QString ErrorDisplay::logLine(const Message& message)
{
    QString text = message.text;
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return message.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz ")) + message.caption
        + QStringLiteral(": ") + text;
}

}  // namespace parlino::ui
