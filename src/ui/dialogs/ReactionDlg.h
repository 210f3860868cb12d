#pragma once
// "反応時間の調整": eight clicks play and the user taps along (Space, Enter or the tap
// button); the mean lag of the taps is proposed as the reaction time.
#include <QDialog>
#include <QTimer>
#include <optional>

#include "core/entry/ReactionCalibration.h"
#include "core/entry/TimingCapture.h"

class Clock;
class QLabel;
class QPushButton;

class TReactionForm : public QDialog {
    Q_OBJECT
public:
    TReactionForm(ClickSound& sound, Clock& clock, QWidget* parent = nullptr);
    ~TReactionForm() override;

    // The lag found, once the clicks are done and enough were tapped.
    std::optional<int> Proposal() const { return proposal; }

    QLabel* HintLabel = nullptr;
    QLabel* ResultLabel = nullptr;
    QPushButton* StartBtn = nullptr;
    QPushButton* TapBtn = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QTimer Poll; // feeds the sound and follows it while the clicks play

    void StartBtnClick();
    // A tap at tick.
    void TapAt(uint32_t tick);
    void PollProc();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    void finish();

    ClickSound& sound;
    Clock& clock;
    ReactionCalibration calibration;
    EventTimes tapTimes;
    bool playing = false;
    bool begun = false; // the first click has been heard: the clicks' ticks are known
    std::optional<int> proposal;
    std::vector<uint32_t> early;     // taps before the first click was placed
    std::optional<uint32_t> endedAt; // when the clicks ended: late taps press nothing for kQuietMs
    static constexpr uint32_t kQuietMs = 500;
};
