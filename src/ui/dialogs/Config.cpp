#include "Config.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "FontDlg.h"
#include "ReactionDlg.h"
#include "SettingsView.h"
#include "core/common/Commands.h"
#include "core/common/Etc.h"
#include "core/common/Fonts.h"
#include "core/settings/SettingsKeys.h"
#include "ui/lyrics/WordsForm.h"
#include "ui/main/Help.h"
#include "ui/main/WindowStack.h"

// ---------------------------------------------------------------- radio groups

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), group(new QButtonGroup(this))
{
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        group->addButton(button, i);
        layout->addWidget(button);
    }
}

int TRadioGroup::ItemIndex() const { return group->checkedId(); }

void TRadioGroup::SetItemIndex(int index)
{
    index = std::min(index, static_cast<int>(group->buttons().size()) - 1);
    if (index >= 0) {
        group->button(index)->setChecked(true);
        return;
    }
    // An exclusive group cannot be emptied by unchecking its button.
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons()) b->setChecked(false);
    group->setExclusive(true);
}

QList<QAbstractButton*> TRadioGroup::Items() const { return group->buttons(); }

// ---------------------------------------------------------------- the dialog

namespace {

QColor DefaultChooseColor(const QColor& initial, QWidget* parent)
{
    QColorDialog dialog(initial, parent);
    dialog.setWindowTitle(QStringLiteral("色の設定"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedColor() : QColor();
}

} // namespace

TConfigForm::TConfigForm(WindowStack& ws, SettingsView& m, TWordsForm* w, Settings& s, CommandSet& commands)
    : LazyDialog(ws.Owner()), windows(ws), main(m), wordsForm(w), settings(s), cmd(commands)
{
    setObjectName(QStringLiteral("ConfigForm"));
    setWindowTitle(QStringLiteral("環境設定"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    ChooseColor = DefaultChooseColor;
    RunFontDialog = [](TFontDlg& dialog) { return dialog.exec(); };

    // What the settings file says, applied to the running program.
    LoadSettings(settings, spSettings);
    // The screen saver is held off for the whole run only when the run started so.
    main.SetSaverDisabled(settings.StopSaver == 2);
    applyConfig();

    connect(cmd.ConfigItem, &Command::triggered, this, &TConfigForm::runModal);
    windows.Add(this);
}

void TConfigForm::buildControls()
{
    auto check = [](const char* name, const QString& caption, QWidget* parent) {
        auto* box = new QCheckBox(caption, parent);
        box->setObjectName(QLatin1String(name));
        return box;
    };
    auto button = [](const char* name, const QString& caption, QWidget* parent) {
        auto* b = new QPushButton(caption, parent);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };

    ConfigPage = new QTabWidget(this);
    ConfigPage->setObjectName(QStringLiteral("ConfigPage"));

    // "設定"
    ConfigSheet = new QWidget;
    ConfigSheet->setObjectName(QStringLiteral("ConfigSheet"));
    StayOnTop = check("StayOnTop", QStringLiteral("常に手前に表示(&T)"), ConfigSheet);
    PlayOnExit = check("PlayOnExit", QStringLiteral("終了後も演奏を継続(&S)"), ConfigSheet);
    AutoPlay = check("AutoPlay", QStringLiteral("自動的に再生開始(&A)"), ConfigSheet);
    EnableEject = check("EnableEject", QStringLiteral("イジェクト機能を使用(&E)"), ConfigSheet);
    EnableClose = check("EnableClose", QStringLiteral("クローズ機能を使用(&C)"), ConfigSheet);
    TaskTray = check("TaskTray", QStringLiteral("タスクトレイに入れる(&K)"), ConfigSheet);
    RecordLog = check("RecordLog", QStringLiteral("ログを記録(&L)"), ConfigSheet);
    SelectDrive = check("SelectDrive", QStringLiteral("起動時にドライブを選択(&D)"), ConfigSheet);
    StopSaver = new TRadioGroup(QStringLiteral(" スクリーン セーバー "),
                                {QStringLiteral("停止しない(&N)"), QStringLiteral("アクティブ時のみ停止(&V)"),
                                 QStringLiteral("実行中は停止(&X)")},
                                ConfigSheet);
    StopSaver->setObjectName(QStringLiteral("StopSaver"));
    StopSleep = check("StopSleep", QStringLiteral("再生中はスリープしない(&P)"), ConfigSheet);
    OnlineLookUps = check("OnlineLookUps", QStringLiteral("インターネットで曲名・歌詞を検索(&W)"), ConfigSheet);
    TimerIntEdit = new QSpinBox(ConfigSheet);
    TimerIntEdit->setObjectName(QStringLiteral("TimerIntEdit"));
    TimerIntEdit->setRange(10, 10000);
    TimerIntEdit->setSingleStep(10);
    TimerIntEdit->setValue(100);
    TimerIntEdit->setGroupSeparatorShown(false);
    // Text that is no valid position goes back to the position when the edit is left.
    TimerIntEdit->setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    auto* timerLabel = new QLabel(QStringLiteral("タイマ インターバル(&I):"), ConfigSheet);
    timerLabel->setBuddy(TimerIntEdit);
    ReactionTimeEdit = new QSpinBox(ConfigSheet);
    ReactionTimeEdit->setObjectName(QStringLiteral("ReactionTimeEdit"));
    ReactionTimeEdit->setRange(0, 1000);
    ReactionTimeEdit->setSingleStep(10);
    ReactionTimeEdit->setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    auto* reactionLabel = new QLabel(QStringLiteral("反応時間(&R):"), ConfigSheet);
    reactionLabel->setBuddy(ReactionTimeEdit);
    ReactionBtn = new QPushButton(QStringLiteral("調整(&J)..."), ConfigSheet);
    ReactionBtn->setObjectName(QStringLiteral("ReactionBtn"));
    {
        auto* left = new QVBoxLayout;
        for (QCheckBox* b :
             {StayOnTop, PlayOnExit, AutoPlay, EnableEject, EnableClose, TaskTray, RecordLog, SelectDrive})
            left->addWidget(b);
        left->addStretch();
        auto* timer = new QHBoxLayout;
        timer->addWidget(timerLabel);
        timer->addWidget(TimerIntEdit);
        timer->addWidget(new QLabel(QStringLiteral("ms"), ConfigSheet));
        timer->addStretch();
        auto* right = new QVBoxLayout;
        right->addWidget(StopSaver);
        right->addWidget(StopSleep);
        right->addWidget(OnlineLookUps);
        right->addLayout(timer);
        auto* reaction = new QHBoxLayout;
        reaction->addWidget(reactionLabel);
        reaction->addWidget(ReactionTimeEdit);
        reaction->addWidget(new QLabel(QStringLiteral("ms"), ConfigSheet));
        reaction->addWidget(ReactionBtn);
        reaction->addStretch();
        right->addLayout(reaction);
        right->addStretch();
        auto* row = new QHBoxLayout(ConfigSheet);
        row->addLayout(left);
        row->addLayout(right);
    }
    ConfigPage->addTab(ConfigSheet, QStringLiteral("設定"));

    // "メイン ウィンドウ"
    MainWinSheet = new QWidget;
    MainWinSheet->setObjectName(QStringLiteral("MainWinSheet"));
    TimeDisp = new TRadioGroup(QStringLiteral(" 時間表示 "),
                               {QStringLiteral("経過(&P)"), QStringLiteral("残り(&R)"), QStringLiteral("1曲経過(&O)"),
                                QStringLiteral("1曲残り(&N)")},
                               MainWinSheet);
    TimeDisp->setObjectName(QStringLiteral("TimeDisp"));
    TrueTrack = check("TrueTrack", QStringLiteral("実際のトラック番号を表示(&U)"), MainWinSheet);
    HideMainBar = check("HideMainBar", QStringLiteral("タイトルバー・メニューバーを消す(&T)"), MainWinSheet);
    ShowDriveName = check("ShowDriveName", QStringLiteral("タイトルバー等にドライブ名を表示(&L)"), MainWinSheet);
    MainFontBtn = button("MainFontBtn", QStringLiteral("フォント(&F)..."), MainWinSheet);
    BkColorBtn = button("BkColorBtn", QStringLiteral("背景色(&B)..."), MainWinSheet);
    TitleColorBtn = button("TitleColorBtn", QStringLiteral("タイトル色(&I)..."), MainWinSheet);
    ArtistColorBtn = button("ArtistColorBtn", QStringLiteral("アーティスト色(&A)..."), MainWinSheet);
    TimeColorBtn = button("TimeColorBtn", QStringLiteral("時間色(&M)..."), MainWinSheet);
    ReptColorBtn = button("ReptColorBtn", QStringLiteral("リピート色(&E)..."), MainWinSheet);
    Rept1ColorBtn = button("Rept1ColorBtn", QStringLiteral("曲リピート色(&S)..."), MainWinSheet);
    {
        auto* left = new QVBoxLayout;
        left->addWidget(TimeDisp);
        for (QCheckBox* b : {TrueTrack, HideMainBar, ShowDriveName}) left->addWidget(b);
        left->addStretch();
        auto* right = new QVBoxLayout;
        for (QPushButton* b :
             {MainFontBtn, BkColorBtn, TitleColorBtn, ArtistColorBtn, TimeColorBtn, ReptColorBtn, Rept1ColorBtn})
            right->addWidget(b);
        right->addStretch();
        auto* row = new QHBoxLayout(MainWinSheet);
        row->addLayout(left, 1);
        row->addLayout(right);
    }
    ConfigPage->addTab(MainWinSheet, QStringLiteral("メイン ウィンドウ"));

    // "歌詞ウィンドウ"
    WordsWinSheet = new QWidget;
    WordsWinSheet->setObjectName(QStringLiteral("WordsWinSheet"));
    WordsAlign = new TRadioGroup(QStringLiteral(" 文字揃え "),
                                 {QStringLiteral("左(&L)"), QStringLiteral("右(&R)"), QStringLiteral("中央(&C)")},
                                 WordsWinSheet);
    WordsAlign->setObjectName(QStringLiteral("WordsAlign"));
    WordsContDisp = check("WordsContDisp", QStringLiteral("間隔が短い場合は連続表示(&I)"), WordsWinSheet);
    HideNoWords = check("HideNoWords", QStringLiteral("歌詞なしトラックはウィンドウを消去(&N)"), WordsWinSheet);
    WordsNoMove = check("WordsNoMove", QStringLiteral("ウィンドウ位置・サイズを固定(&O)"), WordsWinSheet);
    HideWordsBar = check("HideWordsBar", QStringLiteral("タイトルバーを消す(&T)"), WordsWinSheet);
    WordsBkColorBtn = button("WordsBkColorBtn", QStringLiteral("背景色(&B)..."), WordsWinSheet);
    WordsColorBtn = button("WordsColorBtn", QStringLiteral("文字色(&E)..."), WordsWinSheet);
    WordsFontBtn = button("WordsFontBtn", QStringLiteral("フォント(&F)..."), WordsWinSheet);
    {
        auto* left = new QVBoxLayout;
        left->addWidget(WordsAlign);
        for (QCheckBox* b : {WordsContDisp, HideNoWords, WordsNoMove, HideWordsBar}) left->addWidget(b);
        left->addStretch();
        auto* right = new QVBoxLayout;
        for (QPushButton* b : {WordsBkColorBtn, WordsColorBtn, WordsFontBtn}) right->addWidget(b);
        right->addStretch();
        auto* row = new QHBoxLayout(WordsWinSheet);
        row->addLayout(left, 1);
        row->addLayout(right);
    }
    ConfigPage->addTab(WordsWinSheet, QStringLiteral("歌詞ウィンドウ"));

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = button("CancelBtn", QStringLiteral("キャンセル"), this);
    HelpBtn = button("HelpBtn", QStringLiteral("ヘルプ(&H)"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {OKBtn, CancelBtn, HelpBtn}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ConfigPage, 1);
    layout->addLayout(buttons);
    // The layout at 96 dpi, or what the faces of this system need.
    const QSize need = sizeHint();
    setFixedSize(std::max(need.width(), ScaleToScreen(393)), std::max(need.height(), ScaleToScreen(243)));

    const std::pair<QWidget*, int> contexts[] = {{this, 14100},
                                                 {ConfigSheet, 14100},
                                                 {StayOnTop, 14101},
                                                 {PlayOnExit, 14102},
                                                 {AutoPlay, 14103},
                                                 {EnableEject, 14104},
                                                 {EnableClose, 14105},
                                                 {TaskTray, 14106},
                                                 {RecordLog, 14107},
                                                 {SelectDrive, 14108},
                                                 {StopSaver, 14109},
                                                 {StopSleep, 14111},
                                                 {OnlineLookUps, 14112},
                                                 {TimerIntEdit, 14110},
                                                 {timerLabel, 14110},
                                                 {ReactionTimeEdit, 14113},
                                                 {reactionLabel, 14113},
                                                 {ReactionBtn, 14114},
                                                 {MainWinSheet, 14200},
                                                 {TimeDisp, 14201},
                                                 {TrueTrack, 14202},
                                                 {HideMainBar, 14203},
                                                 {ShowDriveName, 14204},
                                                 {MainFontBtn, 14205},
                                                 {BkColorBtn, 14206},
                                                 {TitleColorBtn, 14207},
                                                 {ArtistColorBtn, 14208},
                                                 {TimeColorBtn, 14209},
                                                 {ReptColorBtn, 14210},
                                                 {Rept1ColorBtn, 14211},
                                                 {WordsWinSheet, 14300},
                                                 {WordsAlign, 14301},
                                                 {WordsContDisp, 14302},
                                                 {HideNoWords, 14303},
                                                 {WordsNoMove, 14304},
                                                 {HideWordsBar, 14305},
                                                 {WordsBkColorBtn, 14306},
                                                 {WordsColorBtn, 14307},
                                                 {WordsFontBtn, 14308},
                                                 {OKBtn, 10001},
                                                 {CancelBtn, 10002},
                                                 {HelpBtn, 10003}};
    for (const auto& [widget, context] : contexts) Help::SetContext(widget, context);
    Help::InstallF1(this, [this] { windows.SkipOnce(); });

    connect(OKBtn, &QPushButton::clicked, this, &TConfigForm::okBtnClick);
    connect(ReactionBtn, &QPushButton::clicked, this, &TConfigForm::reactionBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TConfigForm::reject);
    connect(HelpBtn, &QPushButton::clicked, this, [this] { Help::Show(2001 + ConfigPage->currentIndex(), this); });
    for (QPushButton* b : {BkColorBtn, TitleColorBtn, ArtistColorBtn, TimeColorBtn, ReptColorBtn, Rept1ColorBtn,
                           WordsBkColorBtn, WordsColorBtn})
        connect(b, &QPushButton::clicked, this, [this, b] { colorBtnClick(b); });
    connect(MainFontBtn, &QPushButton::clicked, this, [this] { fontBtnClick(true); });
    connect(WordsFontBtn, &QPushButton::clicked, this, [this] { fontBtnClick(false); });
}

void TConfigForm::runModal() { windows.RunModal(*this); }

void TConfigForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) formShow();
}

void TConfigForm::formShow()
{
    if (const QScreen* screen = this->screen()) move(screen->geometry().center() - rect().center());
    // The lyrics window's font may have grown or shrunk with the window since.
    if (wordsForm) wordsForm->StoreSettings();
    for (const SettingsKey& key : SettingsKeys()) {
        if (key.edit != KeyEdit::OnOk) continue;
        QWidget* control = findChild<QWidget*>(key.control.toString());
        const int32_t value = SettingNumber(settings, key);
        if (auto* box = qobject_cast<QCheckBox*>(control))
            box->setChecked(value != 0);
        else if (auto* group = qobject_cast<TRadioGroup*>(control))
            group->SetItemIndex(value);
        else if (auto* spin = qobject_cast<QSpinBox*>(control))
            spin->setValue(value);
    }
    backup = settings;
    ReactionBtn->setEnabled(Clicks && TapClock);
    OKBtn->setDefault(true);
    ConfigPage->setFocus();
    windows.Reassert();
}

void TConfigForm::okBtnClick()
{
    // A typed interval counts as the position it stands for.
    TimerIntEdit->interpretText();
    ReactionTimeEdit->interpretText();
    for (const SettingsKey& key : SettingsKeys()) {
        if (key.edit != KeyEdit::OnOk) continue;
        QWidget* control = findChild<QWidget*>(key.control.toString());
        if (auto* box = qobject_cast<QCheckBox*>(control))
            SetSettingNumber(settings, key, box->isChecked());
        else if (auto* group = qobject_cast<TRadioGroup*>(control))
            SetSettingNumber(settings, key, group->ItemIndex());
        else if (auto* spin = qobject_cast<QSpinBox*>(control))
            SetSettingNumber(settings, key, spin->value());
    }
    SaveSettings(settings, spSettings);
    applyConfig();
    accept();
}

void TConfigForm::applyConfig()
{
    main.ApplySettings();
    // Without the icon a program minimised into the notification area could not come back.
    if (main.Minimized() && !settings.TaskTray) main.BringForward();
    if (wordsForm) wordsForm->ApplySettings();
}

void TConfigForm::reject()
{
    if (isVisible()) {
        for (const SettingsKey& key : SettingsKeys())
            if (key.edit == KeyEdit::Live) CopySetting(settings, backup, key);
        applyWordsLook();
        applyMainLook();
    }
    QDialog::reject();
}

void TConfigForm::applyMainLook()
{
    main.ApplyColours();
    main.ApplyWindowSettings();
}

void TConfigForm::applyWordsLook()
{
    if (!wordsForm) return;
    const Settings& s = settings;
    wordsForm->SetTextColor(FromColorRef(s.WordsFontColor));
    wordsForm->SetBackColor(FromColorRef(s.WordsBackColor));
    QFont font = FontWithStyle(s.WordsFontName, s.WordsFontStyle, 12);
    font.setPointSize(std::max(1, s.WordsFontSize));
    wordsForm->SetWordsFont(font);
    wordsForm->Relayout();
}

void TConfigForm::colorBtnClick(QPushButton* button)
{
    const SettingsKey* target = nullptr;
    for (const SettingsKey& key : SettingsKeys())
        if (key.kind == KeyKind::Color && key.edit == KeyEdit::Live && key.control == button->objectName())
            target = &key;
    if (!target) return;
    // The "Font" section is the lyrics window's look.
    const bool lyrics = target->section == u"Font";

    const WindowStack::Hold hold(windows);
    // The colour dialog's own colours are those of the settings file; a slot the user
    // never set shows white and stays unset unless it is changed.
    for (int i = 0; i < 16; ++i) {
        const uint32_t c = settings.CustomColors[static_cast<size_t>(i)];
        QColorDialog::setCustomColor(i, c == kUnsetColor ? QColor(Qt::white) : FromColorRef(c));
    }
    const QColor chosen = ChooseColor(FromColorRef(static_cast<uint32_t>(SettingNumber(settings, *target))), this);
    for (int i = 0; i < 16; ++i) {
        uint32_t& slot = settings.CustomColors[static_cast<size_t>(i)];
        const QColor now = QColorDialog::customColor(i);
        if (now != (slot == kUnsetColor ? QColor(Qt::white) : FromColorRef(slot))) slot = ToColorRef(now);
    }
    if (chosen.isValid()) {
        SetSettingNumber(settings, *target, static_cast<int32_t>(ToColorRef(chosen)));
        if (lyrics)
            applyWordsLook();
        else
            applyMainLook();
    }
    if (wordsForm) wordsForm->Relayout();
}

void TConfigForm::fontBtnClick(bool mainFont)
{
    const WindowStack::Hold hold(windows);
    TFontDlg dialog(QStringLiteral("フォント"), mainFont, this);
    QFont font = mainFont ? FontWithStyle(settings.MainFontName, settings.MainFontStyle, 16)
                          : FontWithStyle(settings.WordsFontName, settings.WordsFontStyle, 16);
    font.setPointSize(mainFont ? 12 : std::max(1, settings.WordsFontSize));
    dialog.SetFont(font);
    // OK and Apply both take the font; Cancel after Apply keeps what was applied.
    auto take = [this, mainFont](const QFont& f) {
        const QString family = f.families().isEmpty() ? f.family() : f.families().first();
        if (mainFont) {
            settings.MainFontName = family;
            settings.MainFontStyle = StyleOf(f);
            applyMainLook();
        } else {
            settings.WordsFontName = family;
            settings.WordsFontStyle = StyleOf(f);
            settings.WordsFontSize = f.pointSize();
            applyWordsLook();
        }
    };
    connect(&dialog, &TFontDlg::Applied, this, take);
    if (RunFontDialog(dialog) == QDialog::Accepted) take(dialog.Font());
}

void TConfigForm::reactionBtnClick()
{
    if (!Clicks || !TapClock) return;
    TReactionForm dialog(*Clicks, *TapClock, this);
    const std::optional<int> lag = RunCalibration
                                       ? RunCalibration(dialog)
                                       : (dialog.exec() == QDialog::Accepted ? dialog.Proposal() : std::nullopt);
    if (lag) ReactionTimeEdit->setValue(*lag);
}
