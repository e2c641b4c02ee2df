// Where the DJ's help page "vys.html" is found: beside the program (a build
// tree, or a copy on a stick), else in the installed data folder.
#pragma once
#include <QString>
#include <QStringList>

inline constexpr const char* kHelpPageName = "vys.html";

// The places looked at, in order, for a program in programFolder.
QStringList HelpPageCandidates(const QString& programFolder);
// The first candidate that exists, or an empty string.
QString FindHelpPage(const QString& programFolder);
