#pragma once

#include <QString>

class QApplication;

// The application's look in one place: the dark palette, the scroll-bar sheet
// and every style-sheet text that more than one widget wears.
namespace Theme {

// Identity (name, version, organisation, launcher id, window icon), Fusion style,
// dark palette and the application-wide scroll-bar sheet.
void setupApplication(QApplication &app);

// Main window
QString windowSheet();
QString titleLabel();
QString pageCountLabel();
QString zoomLabel();
QString slider();
QString checkBox();

// Toolbar buttons
QString neutralButton();
QString blueButton();
QString redButton();
QString secondaryButton();
QString secondaryRedButton();

// Empty grid
QString emptyStateTitle();
QString emptyStateHint();

// Option dialogs
QString dialogBackground();
QString dialogHeading();  // 16px blue heading with 10px padding
QString dialogInput();    // combo boxes, spin boxes and line edits
QString dialogOkButton(); // the relabelled, blue OK button
QString dialogCancelButton();
QString selectedPagesNote();
QString applyToCheckBox();

} // namespace Theme
