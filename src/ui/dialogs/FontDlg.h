#pragma once
// TFontDlg: the font dialog of the settings dialog. Face (the faces that write Japanese,
// each shown in Japanese), style (regular, italic, bold, bold italic), underline and
// strike-out, and, unless the size is fixed, the size in points, with a sample; OK and
// Apply give the font, Cancel leaves it.
#include <QDialog>
#include <QFont>

class QCheckBox;
class QComboBox;
class QFontComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

class TFontDlg : public QDialog {
    Q_OBJECT
public:
    // fixedSize: the font's size cannot be chosen (the main window's display font).
    TFontDlg(const QString& caption, bool fixedSize, QWidget* parent = nullptr);

    // The font the dialog starts from (family, style, point size).
    void SetFont(const QFont& font);
    // The font as chosen. A face the system does not have keeps its stored name unless
    // the user chose another one.
    QFont Font() const;

    QFontComboBox* FaceBox;
    QComboBox* StyleBox;
    QSpinBox* SizeBox;
    QCheckBox* UnderlineBox;
    QCheckBox* StrikeOutBox;
    QLabel* Sample;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QPushButton* ApplyBtn;

signals:
    // Apply was pressed with this font.
    void Applied(const QFont& font);

private:
    void showSample();

    QFont initial;
    bool faceChosen = false;
};
