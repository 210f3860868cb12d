#include "CDInfo.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

#include "core/common/Error.h"
#include "core/common/Etc.h"
#include "core/discdata/Words.h"
#include "core/entry/CDInfoExport.h"
#include "ui/main/Help.h"
#include "ui/main/WindowStack.h"

namespace {
constexpr int kDialogHelp = 111;
constexpr int kHelpButtonTopic = 110;
constexpr int kMargin = 3; // between the row's edges and its texts
} // namespace

// ---------------------------------------------------------------- track rows

QString TrackRowDelegate::TitleText(const QModelIndex& index)
{
    return FormatNumbered(index.row() + 1, index.data(Qt::DisplayRole).toString());
}

QString TrackRowDelegate::LengthText(const QModelIndex& index)
{
    return QLatin1Char(' ') + FormatMinSec(index.data(LengthRole).toInt());
}

void TrackRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const bool selected = opt.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    const QBrush back = opt.palette.brush(group, selected ? QPalette::Highlight : QPalette::Base);
    const QColor fore = opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    const QRect r = opt.rect;

    painter->save();
    painter->fillRect(r, back);
    painter->setFont(opt.font);
    painter->setPen(fore);
    const QFontMetrics fm(opt.font);
    // Both texts stand on one baseline: a title in a Japanese face would otherwise sit
    // lower than the length, which the Latin face draws.
    const int baseline = r.top() + (r.height() - fm.height()) / 2 + fm.ascent();
    painter->setClipRect(r.adjusted(0, 0, -kMargin, 0));
    painter->drawText(QPoint(r.left() + kMargin, baseline), TitleText(index));
    // The length ends kMargin before the right edge, on the row's background, so a long
    // title runs under it instead of through it.
    const QString length = LengthText(index);
    const int w = fm.horizontalAdvance(length);
    const int x = r.right() - kMargin - w + 1;
    painter->fillRect(QRect(x, r.top(), w, r.height()), back);
    painter->drawText(QPoint(x, baseline), length);
    painter->restore();
    if (opt.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(opt);
        focus.rect = r;
        opt.widget->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, opt.widget);
    }
}

QSize TrackRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(option.rect.width(), QFontMetrics(option.font).height() + 2);
}

// ---------------------------------------------------------------- an elided text

QString ElidedLabel::ShownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

QSize ElidedLabel::sizeHint() const { return {1, QLabel::sizeHint().height()}; }

QSize ElidedLabel::minimumSizeHint() const { return {1, QLabel::minimumSizeHint().height()}; }

void ElidedLabel::paintEvent(QPaintEvent* event)
{
    const QString shown = ShownText();
    // A text that fits is the label's own, which can be selected.
    if (shown == text()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), shown,
                          foregroundRole());
}

// ---------------------------------------------------------------- the dialog

TCDInfoForm::TCDInfoForm(TWords& words_, WindowStack& windows_, QWidget* parent)
    : LazyDialog(parent), words(words_), windows(windows_)
{
    setObjectName(QStringLiteral("CDInfoForm"));
    setWindowTitle(QStringLiteral("CDのプロパティ"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    initLrcExport();
}

void TCDInfoForm::buildControls()
{
    auto value = [this](const char* name, QLabel* l = nullptr) {
        if (!l) l = new QLabel(this);
        l->setObjectName(QLatin1String(name));
        l->setTextFormat(Qt::PlainText);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    TitleLabel = new QLabel(QStringLiteral("タイトル :"), this);
    ArtistLabel = new QLabel(QStringLiteral("アーティスト :"), this);
    auto* tracksLabel = new QLabel(QStringLiteral("トラック数 :"), this);
    auto* totalTimeLabel = new QLabel(QStringLiteral("総演奏時間 :"), this);
    auto* typeLabel = new QLabel(QStringLiteral("CD種別 :"), this);
    PlayTimeLabel = new QLabel(QStringLiteral("総再生時間 :"), this);
    TitleText = new ElidedLabel(this);
    ArtistText = new ElidedLabel(this);
    value("TitleText", TitleText);
    value("ArtistText", ArtistText);
    for (QLabel* l : {static_cast<QLabel*>(TitleText), static_cast<QLabel*>(ArtistText)})
        l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    TracksText = value("TracksText");
    TotalTimeText = value("TotalTimeText");
    CDTypeText = value("CDTypeText");
    PlayTimeText = value("PlayTimeText");

    MTitleList = new QListWidget(this);
    MTitleList->setObjectName(QStringLiteral("MTitleList"));
    MTitleList->setItemDelegate(new TrackRowDelegate(MTitleList));
    MTitleList->setUniformItemSizes(true);
    MTitleList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MTitleLabel = new QLabel(QStringLiteral("トラック一覧(&L) :"), this);
    MTitleLabel->setBuddy(MTitleList);

    ResetTimeBtn = new QPushButton(QStringLiteral("リセット(&R)"), this);
    ResetTimeBtn->setObjectName(QStringLiteral("ResetTimeBtn"));
    ResetTimeBtn->setAutoDefault(false);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    HelpBtn = new QPushButton(QStringLiteral("ヘルプ(&H)"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    HelpBtn->setAutoDefault(false);
    buildLrcExport();

    auto* facts = new QGridLayout;
    int row = 0;
    for (auto [label, text] : {std::pair<QLabel*, QLabel*>{TitleLabel, TitleText},
                               {ArtistLabel, ArtistText},
                               {tracksLabel, TracksText},
                               {totalTimeLabel, TotalTimeText},
                               {typeLabel, CDTypeText}}) {
        facts->addWidget(label, row, 0);
        facts->addWidget(text, row++, 1);
    }
    facts->setColumnStretch(1, 1);
    auto* playTime = new QHBoxLayout;
    playTime->addWidget(PlayTimeLabel);
    playTime->addWidget(PlayTimeText, 1);
    playTime->addWidget(ResetTimeBtn);
    auto* left = new QVBoxLayout;
    left->addLayout(facts);
    left->addStretch();
    left->addLayout(playTime);
    auto* tracks = new QVBoxLayout;
    tracks->addWidget(MTitleLabel);
    tracks->addWidget(MTitleList, 1);
    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(tracks, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(LrcSaveBtn);
    bottom->addStretch();
    bottom->addWidget(OKBtn);
    bottom->addWidget(HelpBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
    const QSize size = sizeHint().expandedTo(QSize(ScaleToScreen(451), ScaleToScreen(261)));
    setFixedSize(size);

    Help::SetContext(this, kDialogHelp);
    const std::pair<QWidget*, int> contexts[] = {{TitleText, 11001},     {ArtistText, 11002},   {TracksText, 11003},
                                                 {TotalTimeText, 11004}, {CDTypeText, 11005},   {MTitleList, 11006},
                                                 {PlayTimeText, 11007},  {ResetTimeBtn, 11008}, {LrcSaveBtn, 11009},
                                                 {OKBtn, 10001},         {HelpBtn, 10003}};
    for (const auto& [widget, context] : contexts) Help::SetContext(widget, context);
    Help::InstallF1(this, [this] { windows.SkipOnce(); });

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(ResetTimeBtn, &QPushButton::clicked, this, &TCDInfoForm::ResetTimeBtnClick);
    connect(HelpBtn, &QPushButton::clicked, this, &TCDInfoForm::HelpBtnClick);
}

void TCDInfoForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FormShow();
}

void TCDInfoForm::FormShow()
{
    Build();
    MTitleList->clear();
    for (int t = 1; t <= words.SongCount; ++t) {
        auto* item = new QListWidgetItem(words.GetSongTitle(t), MTitleList);
        item->setData(TrackRowDelegate::LengthRole, words.SongLength(t));
        item->setToolTip(FormatNumbered(t, item->text()));
    }
    TracksText->setText(QString::number(words.SongCount));
    TotalTimeText->setText(FormatMinSec(words.AudioLength()));
    // What the main window shows as the title and artist of the disc in the drive.
    TitleText->setText(words.Title);
    ArtistText->setText(words.Artist);
    TitleText->setToolTip(words.Title);
    ArtistText->setToolTip(words.Artist);
    CDTypeText->setText(::CDTypeText(words.AudioState));
    const bool file = words.HasFile();
    for (QWidget* w : {static_cast<QWidget*>(TitleLabel), static_cast<QWidget*>(ArtistLabel),
                       static_cast<QWidget*>(ResetTimeBtn), static_cast<QWidget*>(PlayTimeLabel)})
        w->setEnabled(file);
    PlayTimeText->setVisible(file);
    ShowPlayTime();
    UpdateLrcItems();
    MTitleList->setFocus();
    windows.Reassert();
}

void TCDInfoForm::ShowPlayTime()
{
    Build();
    PlayTimeText->setText(FormatHourMinSec(words.PlayTime));
}

void TCDInfoForm::ResetTimeBtnClick()
{
    if (QuestionMessage(QStringLiteral("総再生時間をリセットします。よろしいですか?"),
                        QStringLiteral("総再生時間のリセット")) != IdYes)
        return;
    // In memory; the next write of the play state (at the latest when the disc goes) keeps it.
    words.PlayTime = 0;
    ShowPlayTime();
}

void TCDInfoForm::HelpBtnClick() { Help::Show(kHelpButtonTopic, this); }
