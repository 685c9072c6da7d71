#include "gui/window/status_dialog_bar.h"

#include "core/engine/progress_texts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

StatusDialogBar::StatusDialogBar(QWidget* parent)
    : QWidget(parent), bytes_(new QLabel(this)), bar_(new QProgressBar(this)),
      speed_(new QLabel(this)), elapsed_(new QLabel(this)), statusLine_(new QLabel(this)),
      result_(new QLabel(this)), connection_(new QLabel(this)), security_(new QLabel(this)) {
    setObjectName(QStringLiteral("statusBar"));
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
    bar_->setMaximumHeight(fontMetrics().height());
    // The bar keeps its width while the texts beside it change.
    bar_->setFixedWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 24);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(bytes_, 3);
    layout->addWidget(bar_, 3);
    layout->addWidget(speed_, 2);
    layout->addWidget(elapsed_, 2);
    layout->addWidget(statusLine_, 10);
    // Long texts are cut, never widen the window; the whole text is in
    // the tooltip.
    for (QLabel* label : {statusLine_, result_})
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    result_->setObjectName(QStringLiteral("result"));
    layout->addWidget(result_, 8);
    connection_->setObjectName(QStringLiteral("connection"));
    layout->addWidget(connection_, 0);
    security_->setObjectName(QStringLiteral("security"));
    layout->addWidget(security_, 0);
    setConnection(QString());
    setResult(QString());
    setSecurity(QString());
    setStatusLine(QString());
}

void StatusDialogBar::setProgressMode(bool on) {
    if (on) {
        bytes_->setText(QString::fromUtf8("已处理："));
        bar_->setValue(0);
        speed_->setText(QString::fromUtf8("速度："));
        elapsed_->setText(QString::fromUtf8("已进行时间："));
    }
    statusLine_->setVisible(!on);
    for (QWidget* w : std::initializer_list<QWidget*>{bytes_, bar_, speed_, elapsed_})
        w->setVisible(on);
}

bool StatusDialogBar::inProgressMode() const {
    return !statusLine_->isVisibleTo(this);
}

void StatusDialogBar::setStatusLine(const QString& text) {
    setProgressMode(false);
    statusLine_->setText(text.isEmpty() ? QString::fromUtf8(ProgressTexts::Welcome) : text);
    statusLine_->setToolTip(statusLine_->text());
}

void StatusDialogBar::showProgress(const QString& bytesText, int percent, const QString& speedText,
                                   const QString& elapsedText) {
    bytes_->setText(bytesText);
    bar_->setValue(percent);
    speed_->setText(speedText);
    elapsed_->setText(elapsedText);
}

void StatusDialogBar::setSecurity(const QString& protocol) {
    security_->setText(protocol.isEmpty() ? QString()
                                          : QString::fromUtf8("已加密（%1）").arg(protocol));
    security_->setVisible(!protocol.isEmpty());
}

void StatusDialogBar::setConnection(const QString& text) {
    connection_->setText(text);
    connection_->setVisible(!text.isEmpty());
}

void StatusDialogBar::setResult(const QString& text) {
    result_->setText(text);
    result_->setToolTip(text);
    result_->setVisible(!text.isEmpty());
}

QString StatusDialogBar::resultText() const {
    return result_->text();
}

QString StatusDialogBar::connectionText() const {
    return connection_->text();
}

QString StatusDialogBar::securityText() const {
    return security_->text();
}

QString StatusDialogBar::statusLine() const {
    return statusLine_->text();
}
QString StatusDialogBar::bytesText() const {
    return bytes_->text();
}
QString StatusDialogBar::speedText() const {
    return speed_->text();
}
QString StatusDialogBar::elapsedText() const {
    return elapsed_->text();
}
int StatusDialogBar::percent() const {
    return bar_->value();
}
