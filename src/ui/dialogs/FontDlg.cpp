#include "FontDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

TFontDlg::TFontDlg(const QString& caption, bool fixedSize, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    FaceBox = new QFontComboBox(this);
    FaceBox->setObjectName(QStringLiteral("FaceBox"));
    FaceBox->setEditable(false); // only faces that exist
    // Lyrics and titles are Japanese: the faces that can write them, each previewed in
    // Japanese (not in the first script a face knows, Korean for the CJK faces), and no
    // symbol fonts.
    FaceBox->setWritingSystem(QFontDatabase::Japanese);
    StyleBox = new QComboBox(this);
    StyleBox->setObjectName(QStringLiteral("StyleBox"));
    StyleBox->addItems(
        {QStringLiteral("標準"), QStringLiteral("斜体"), QStringLiteral("太字"), QStringLiteral("太字 斜体")});
    SizeBox = new QSpinBox(this);
    SizeBox->setObjectName(QStringLiteral("SizeBox"));
    SizeBox->setRange(6, 200);
    UnderlineBox = new QCheckBox(QStringLiteral("下線(&U)"), this);
    UnderlineBox->setObjectName(QStringLiteral("UnderlineBox"));
    StrikeOutBox = new QCheckBox(QStringLiteral("取り消し線(&K)"), this);
    StrikeOutBox->setObjectName(QStringLiteral("StrikeOutBox"));
    Sample = new QLabel(QStringLiteral("Aa あぁアァ 亜宇 123"), this);
    Sample->setObjectName(QStringLiteral("Sample"));
    Sample->setAlignment(Qt::AlignCenter);
    Sample->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Sample->setMinimumSize(280, 64);

    auto* face = new QLabel(QStringLiteral("フォント名(&F):"), this);
    face->setBuddy(FaceBox);
    auto* style = new QLabel(QStringLiteral("スタイル(&Y):"), this);
    style->setBuddy(StyleBox);
    auto* size = new QLabel(QStringLiteral("サイズ(&S):"), this);
    size->setBuddy(SizeBox);
    auto* grid = new QGridLayout;
    grid->addWidget(face, 0, 0);
    grid->addWidget(style, 0, 1);
    grid->addWidget(size, 0, 2);
    grid->addWidget(FaceBox, 1, 0);
    grid->addWidget(StyleBox, 1, 1);
    grid->addWidget(SizeBox, 1, 2);
    grid->setColumnStretch(0, 1);
    auto* effects = new QHBoxLayout;
    effects->addWidget(UnderlineBox);
    effects->addWidget(StrikeOutBox);
    effects->addStretch();
    grid->addLayout(effects, 2, 0, 1, 3);
    size->setVisible(!fixedSize);
    SizeBox->setVisible(!fixedSize);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("キャンセル"), this);
    CancelBtn->setAutoDefault(false);
    ApplyBtn = new QPushButton(QStringLiteral("適用(&A)"), this);
    ApplyBtn->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {OKBtn, CancelBtn, ApplyBtn}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(new QLabel(QStringLiteral("サンプル:"), this));
    layout->addWidget(Sample, 1);
    layout->addLayout(buttons);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(ApplyBtn, &QPushButton::clicked, this, [this] { emit Applied(Font()); });
    connect(FaceBox, &QFontComboBox::currentFontChanged, this, [this] {
        faceChosen = true;
        showSample();
    });
    connect(StyleBox, &QComboBox::currentIndexChanged, this, &TFontDlg::showSample);
    connect(SizeBox, &QSpinBox::valueChanged, this, &TFontDlg::showSample);
    connect(UnderlineBox, &QCheckBox::toggled, this, &TFontDlg::showSample);
    connect(StrikeOutBox, &QCheckBox::toggled, this, &TFontDlg::showSample);
}

void TFontDlg::SetFont(const QFont& font)
{
    initial = font;
    {
        const QSignalBlocker block(FaceBox);
        FaceBox->setCurrentFont(font);
    }
    faceChosen = false;
    StyleBox->setCurrentIndex((font.italic() ? 1 : 0) + (font.bold() ? 2 : 0));
    UnderlineBox->setChecked(font.underline());
    StrikeOutBox->setChecked(font.strikeOut());
    SizeBox->setValue(font.pointSize() > 0 ? font.pointSize() : 12);
    showSample();
}

QFont TFontDlg::Font() const
{
    QFont f = initial;
    if (faceChosen) f.setFamilies({FaceBox->currentFont().family()});
    f.setItalic(StyleBox->currentIndex() & 1);
    f.setBold(StyleBox->currentIndex() & 2);
    f.setUnderline(UnderlineBox->isChecked());
    f.setStrikeOut(StrikeOutBox->isChecked());
    if (SizeBox->isVisibleTo(this)) f.setPointSize(SizeBox->value());
    return f;
}

void TFontDlg::showSample()
{
    QFont f = Font();
    if (!SizeBox->isVisibleTo(this)) f.setPointSize(12);
    Sample->setFont(f);
}
