#include "Theme.h"

#include <QApplication>
#include <QIcon>
#include <QPalette>
#include <QStyleFactory>

namespace Theme {

void setupApplication(QApplication &app)
{
    QCoreApplication::setApplicationName("Quirefold");
    QCoreApplication::setApplicationVersion("2.0.0");
    QCoreApplication::setOrganizationName("Quirefold");
    // Lets the desktop match the windows to the installed launcher and its icon.
    QGuiApplication::setDesktopFileName(QUIREFOLD_APP_ID);
    QApplication::setWindowIcon(QIcon(":/icons/quirefold.svg"));
    QApplication::setStyle(QStyleFactory::create("Fusion"));

    QPalette palette;
    palette.setColor(QPalette::All, QPalette::Window, QColor(30, 30, 30));
    palette.setColor(QPalette::All, QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::All, QPalette::Base, QColor(25, 25, 25));
    palette.setColor(QPalette::All, QPalette::AlternateBase, QColor(45, 45, 45));
    palette.setColor(QPalette::All, QPalette::ToolTipBase, QColor(13, 115, 119));
    palette.setColor(QPalette::All, QPalette::ToolTipText, Qt::white);
    palette.setColor(QPalette::All, QPalette::Text, Qt::white);
    palette.setColor(QPalette::All, QPalette::Button, QColor(45, 45, 45));
    palette.setColor(QPalette::All, QPalette::ButtonText, Qt::white);
    palette.setColor(QPalette::All, QPalette::BrightText, QColor(20, 255, 236));
    palette.setColor(QPalette::All, QPalette::Link, QColor(13, 115, 119));
    palette.setColor(QPalette::All, QPalette::Highlight, QColor(13, 115, 119));
    palette.setColor(QPalette::All, QPalette::HighlightedText, Qt::white);
    QApplication::setPalette(palette);

    app.setStyleSheet(
        "QScrollBar:vertical { background: #2a2a2a; width: 12px; border-radius: 6px; }"
        "QScrollBar::handle:vertical { background: #0d7377; border-radius: 6px; "
        "min-height: 20px; }"
        "QScrollBar::handle:vertical:hover { background: #14ffec; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0px; }"
        "QScrollBar:horizontal { background: #2a2a2a; height: 12px; border-radius: 6px; }"
        "QScrollBar::handle:horizontal { background: #0d7377; border-radius: 6px; "
        "min-width: 20px; }"
        "QScrollBar::handle:horizontal:hover { background: #14ffec; }"
        "QScrollBar::add-line:horizontal, QScrollBar::sub-line:horizontal { width: 0px; }");
}

QString windowSheet()
{
    return "QMainWindow { background-color: #1e1e1e; }"
           "QLabel { color: #e0e0e0; }"
           "QScrollArea { background-color: #1a1a1a; border: 1px solid #2a2a2a; border-radius: "
           "8px; }"
           "QProgressBar { border: none; border-radius: 3px; text-align: center; color: #ccc; "
           "background-color: #2a2a2a; font-size: 11px; }"
           "QProgressBar::chunk { background-color: #1976d2; border-radius: 3px; }"
           "QStatusBar { background-color: #1e1e1e; color: #ccc; font-size: 11px; "
           "border-top: 1px solid #2a2a2a; }";
}

QString titleLabel()
{
    return "color: #ffffff; letter-spacing: 1px;";
}

QString pageCountLabel()
{
    return "color: #ffffff; font-size: 16px; font-weight: 600; padding: 8px 18px; "
           "background-color: #2a2a2a; border-radius: 8px; border: 1px solid #404040;";
}

QString zoomLabel()
{
    return "color: #ccc; font-size: 12px; font-weight: 500;";
}

QString slider()
{
    return "QSlider::groove:horizontal { background: #2a2a2a; height: 4px; border-radius: 2px; }"
           "QSlider::handle:horizontal { background: #ffffff; width: 14px; height: 14px; "
           "margin: -5px 0; border-radius: 7px; }"
           "QSlider::handle:horizontal:hover { background: #e0e0e0; }";
}

QString checkBox()
{
    return "QCheckBox { color: #ccc; font-size: 11px; }"
           "QCheckBox::indicator { width: 14px; height: 14px; }";
}

namespace {

const char *const kDisabled =
    "QPushButton:disabled { background-color: #1e1e1e; color: #555; border-color: #2a2a2a; }";

QString button(const char *weight, const char *padding, const char *background, const char *border,
               const char *text, const QString &hover, bool withDisabled)
{
    QString sheet =
        QString("QPushButton { font-size: 12px; font-weight: %1; border-radius: 4px; "
                "border: 1px solid %2; background-color: %3;%4%5 }"
                "QPushButton:hover { %6 }")
            .arg(weight, border, background, text ? QString(" color: %1;").arg(text) : QString(),
                 padding ? QString(" padding: %1;").arg(padding) : QString(), hover);
    if (withDisabled)
        sheet += kDisabled;
    return sheet;
}

} // namespace

QString neutralButton()
{
    return button("600", nullptr, "#2a2a2a", "#404040", "white",
                  "background-color: #353535; border-color: #555;", false);
}

QString blueButton()
{
    return button("600", nullptr, "#1976d2", "#1e88e5", "white",
                  "background-color: #1e88e5; border-color: #42a5f5;", true);
}

QString redButton()
{
    return button("600", nullptr, "#c62828", "#d32f2f", "white",
                  "background-color: #d32f2f; border-color: #e53935;", true);
}

QString secondaryButton()
{
    return button("500", "6px 12px", "#2a2a2a", "#404040", nullptr, "background-color: #353535;",
                  true);
}

QString secondaryRedButton()
{
    return button("500", "6px 12px", "#c62828", "#d32f2f", "white", "background-color: #d32f2f;",
                  true);
}

QString emptyStateTitle()
{
    return "color: #888; font-size: 20px; font-weight: 600; font-family: 'Segoe UI';";
}

QString emptyStateHint()
{
    return "color: #666; font-size: 13px; font-family: 'Segoe UI'; margin-top: 10px;";
}

QString dialogBackground()
{
    return "QDialog { background-color: #1e1e1e; }";
}

QString dialogHeading()
{
    return "font-size: 16px; font-weight: 700; color: #1976d2; padding: 10px;";
}

QString dialogInput()
{
    return "padding: 5px; font-size: 12px;";
}

QString dialogOkButton()
{
    return "background-color: #1976d2; color: white; padding: 8px 20px; border-radius: 4px; "
           "font-weight: 600;";
}

QString dialogCancelButton()
{
    return "padding: 8px 20px; border-radius: 4px;";
}

QString selectedPagesNote()
{
    return "color: #1976d2; font-size: 11px; padding-left: 25px;";
}

QString applyToCheckBox()
{
    return "font-size: 12px; padding: 5px;";
}

} // namespace Theme
