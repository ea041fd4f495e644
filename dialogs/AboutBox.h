#pragma once
// Aboutdlg: the about box, a fixed-size dialog with the product's texts on a white
// panel and some facts about the computer below. TAboutDialog (AboutDialog.h)
// fills and shows it.

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

class TAboutBox : public QDialog {
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    // Brings the box to the front when the program is activated again while it shows.
    void ApplicationEvents1Activate();

    static constexpr int ClientWidth = 411, ClientHeight = 330;

    QWidget* Panel1;
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QLabel* Image1;
    QLabel* Comments;
    QFrame* Panel4;
    QLabel* WinType;
    QLabel* WinVersion;
    QLabel* PlusVersion;
    QFrame* Panel2;
    QLabel* UserLabel;
    QLabel* UserName;
    QLabel* CompanyLabel;
    QLabel* CompanyName;
    QFrame* Panel3;
    QLabel* DiskFreeSpaceLabel;
    QLabel* FreeDisk;
    QPushButton* Button1;
    // Kept from earlier versions of the box; never filled or shown.
    QLabel* Label5;
    QLabel* FreeMemory;
    QLabel* Label6;
    QLabel* FreeResources;
};

// The strip under the white panel, width x 6 pixels.
QPixmap DecorativeStrip(int width);
