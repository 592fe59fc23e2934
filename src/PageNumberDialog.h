#pragma once

#include <QDialog>

class QComboBox;
class QFontComboBox;
class QSpinBox;

// Collects the format, placement and look of the page labels.
class PageNumberDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PageNumberDialog(int totalPages, QWidget *parent = nullptr);

    int getPosition() const;
    int getFormat() const;
    int getStartNumber() const;
    int getFontSize() const;
    QString getFontFamily() const;
    int getMargin() const;

private:
    void setupUI();
    class QGroupBox *createFormatGroup();
    QGroupBox *createPositionGroup();
    QGroupBox *createAppearanceGroup();

    QComboBox *positionCombo = nullptr;
    QComboBox *formatCombo = nullptr;
    QSpinBox *startSpin = nullptr;
    QSpinBox *fontSizeSpin = nullptr;
    QFontComboBox *fontCombo = nullptr;
    QSpinBox *marginSpin = nullptr;
    int totalPages;
};
