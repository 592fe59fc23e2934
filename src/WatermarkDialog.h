#pragma once

#include <QColor>
#include <QDialog>

class QCheckBox;
class QComboBox;
class QFontComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// Collects the text, look and placement of a watermark, with a live sketch.
class WatermarkDialog : public QDialog
{
    Q_OBJECT

public:
    WatermarkDialog(int totalPages, int selectedPages, QWidget *parent = nullptr);

    QString getText() const;
    int getPosition() const;
    int getOpacity() const;
    int getFontSize() const;
    QString getFontFamily() const;
    QColor getColor() const { return color; }
    int getRotation() const;
    bool applyToAllPages() const;

private slots:
    void onColorPicker();
    void updatePreview();

private:
    void setupUI();
    QWidget *createTextGroup();
    QWidget *createAppearanceGroup();
    QWidget *createPositionGroup();
    QWidget *createPreviewGroup();
    QWidget *createApplyToGroup();
    void applyColorLook();

    QLineEdit *textEdit = nullptr;
    QComboBox *positionCombo = nullptr;
    QSpinBox *opacitySpin = nullptr;
    QSpinBox *fontSizeSpin = nullptr;
    QFontComboBox *fontCombo = nullptr;
    QPushButton *colorButton = nullptr;
    QSpinBox *rotationSpin = nullptr;
    QCheckBox *allPagesCheck = nullptr;
    QLabel *previewLabel = nullptr;
    QColor color = QColor(128, 128, 128);
    int totalPages;
    int selectedPages;
};
