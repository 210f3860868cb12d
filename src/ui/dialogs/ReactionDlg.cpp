#include "ReactionDlg.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/common/Clock.h"
#include "core/common/Etc.h"

TReactionForm::TReactionForm(ClickSound& s, Clock& c, QWidget* parent) : QDialog(parent), sound(s), clock(c)
{
    setObjectName(QStringLiteral("ReactionForm"));
    setWindowTitle(QStringLiteral("反応時間の調整"));
    HintLabel = new QLabel(QStringLiteral("「開始」を押すと、クリック音が %1 回鳴ります。\n"
                                          "音が聞こえたら、そのたびに Space キーか「タップ」を押してください。")
                               .arg(ReactionCalibration::kClicks),
                           this);
    ResultLabel = new QLabel(this);
    ResultLabel->setObjectName(QStringLiteral("ResultLabel"));
    StartBtn = new QPushButton(QStringLiteral("開始(&S)"), this);
    StartBtn->setObjectName(QStringLiteral("StartBtn"));
    TapBtn = new QPushButton(QStringLiteral("タップ(&T)"), this);
    TapBtn->setObjectName(QStringLiteral("TapBtn"));
    TapBtn->setMinimumHeight(ScaleToScreen(48));
    TapBtn->setEnabled(false);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setEnabled(false);
    CancelBtn = new QPushButton(QStringLiteral("キャンセル"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    for (QPushButton* b : {StartBtn, TapBtn, OKBtn, CancelBtn}) b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(StartBtn);
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(HintLabel);
    layout->addWidget(TapBtn);
    layout->addWidget(ResultLabel);
    layout->addLayout(buttons);

    Poll.setInterval(10);
    connect(&Poll, &QTimer::timeout, this, &TReactionForm::PollProc);
    connect(StartBtn, &QPushButton::clicked, this, &TReactionForm::StartBtnClick);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &TReactionForm::reject);
    // A tap counts as the button goes down; Space and Enter tap wherever the focus is.
    TapBtn->installEventFilter(this);
    installEventFilter(this);
    StartBtn->installEventFilter(this);
    OKBtn->installEventFilter(this);
}

TReactionForm::~TReactionForm() { sound.Stop(); }

void TReactionForm::StartBtnClick()
{
    proposal.reset();
    OKBtn->setEnabled(false);
    OKBtn->setDefault(false);
    early.clear();
    begun = false;
    if (!sound.Start(ReactionCalibration::kClicks, ReactionCalibration::kIntervalMs)) {
        ResultLabel->setText(QStringLiteral("音を出せないため、調整できません。"));
        return;
    }
    playing = true;
    StartBtn->setEnabled(false);
    TapBtn->setEnabled(true);
    TapBtn->setFocus();
    ResultLabel->setText(QStringLiteral("音に合わせて押してください..."));
    Poll.start();
}

void TReactionForm::TapAt(uint32_t tick)
{
    if (!playing) return;
    if (begun)
        calibration.Tap(tick);
    else
        early.push_back(tick);
}

void TReactionForm::PollProc()
{
    sound.Feed();
    const uint32_t now = clock.TickCount();
    if (!begun) {
        const int heard = sound.HeardMs();
        if (heard < 0) return;
        // The first click sounded this long ago.
        begun = true;
        calibration.Begin(now - static_cast<uint32_t>(heard));
        for (uint32_t tap : early) calibration.Tap(tap);
    }
    // The last click's window closes before the next would come.
    if (calibration.Done(now)) finish();
}

void TReactionForm::finish()
{
    Poll.stop();
    sound.Stop();
    playing = false;
    endedAt = clock.TickCount();
    StartBtn->setEnabled(true);
    StartBtn->setText(QStringLiteral("やり直す(&S)"));
    TapBtn->setEnabled(false);
    proposal = calibration.Proposal();
    int tapped = 0;
    for (const auto& lag : calibration.Lags()) tapped += lag.has_value();
    if (proposal) {
        ResultLabel->setText(QStringLiteral("%1 回中 %2 回押されました。平均の遅れは %3 ms です。OK でこの値にします。")
                                 .arg(ReactionCalibration::kClicks)
                                 .arg(tapped)
                                 .arg(*proposal));
        OKBtn->setEnabled(true);
        OKBtn->setDefault(true); // Enter takes the value
        OKBtn->setFocus();
    } else {
        ResultLabel->setText(
            QStringLiteral("押された回数が少なすぎます (%1 回)。もう一度やり直してください。").arg(tapped));
        StartBtn->setFocus();
    }
}

bool TReactionForm::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (playing && (type == QEvent::KeyPress || type == QEvent::KeyRelease)) {
        auto* key = static_cast<QKeyEvent*>(event);
        const int k = key->key();
        if (k == Qt::Key_Space || k == Qt::Key_Return || k == Qt::Key_Enter) {
            if (type == QEvent::KeyPress && !key->isAutoRepeat())
                TapAt(tapTimes.TickOf(key->timestamp(), clock.TickCount()));
            return true;
        }
    }
    if (!playing && endedAt && (type == QEvent::KeyPress || type == QEvent::KeyRelease)) {
        // A tap a little late for the last click presses nothing (not OK, not Start again).
        const int k = static_cast<QKeyEvent*>(event)->key();
        if ((k == Qt::Key_Space || k == Qt::Key_Return || k == Qt::Key_Enter) &&
            clock.TickCount() - *endedAt < kQuietMs)
            return true;
    }
    if (watched == TapBtn && type == QEvent::MouseButtonPress) {
        TapAt(tapTimes.TickOf(static_cast<QInputEvent*>(event)->timestamp(), clock.TickCount()));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TReactionForm::reject()
{
    Poll.stop();
    sound.Stop();
    playing = false;
    QDialog::reject();
}
