#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// Collects the options of an image export: format, resolution, JPEG quality,
// which pages, and where and under which names the files go.
class ExportDialog : public QDialog
{
    Q_OBJECT

public:
    ExportDialog(int totalPages, int selectedPages, QWidget *parent = nullptr);

    // Index into the format list: 0 JPG, 1 PNG, 2 BMP, 3 TIFF.
    int getFormat() const;
    int getDPI() const;
    int getQuality() const;
    bool exportAllPages() const;
    QString getOutputFolder() const;
    QString getFileNamePattern() const;

private slots:
    void onFormatChanged(int index);
    void onBrowseFolder();

private:
    void setupUI();
    QWidget *createFormatGroup();
    QWidget *createPagesGroup();
    QWidget *createOutputGroup();

    QComboBox *formatCombo = nullptr;
    QSpinBox *dpiSpinBox = nullptr;
    QSpinBox *qualitySpinBox = nullptr;
    QCheckBox *allPagesCheckBox = nullptr;
    QLineEdit *outputFolderEdit = nullptr;
    QLineEdit *fileNamePatternEdit = nullptr;
    QPushButton *browseButton = nullptr;
    QLabel *qualityLabel = nullptr;
    int totalPages;
    int selectedPages;
};
