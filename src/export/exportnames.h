#pragma once

#include <QString>

// The name of an export's file decides its layout: exactly ".txt" is the text layout, ".htm" and
// ".html" the HTML one. Names are taken as typed; one without a folder lies in the working folder.
constexpr qsizetype MaxExportNameChars = 255;

// The save dialog's file-type choices, counted from 1.
constexpr int TextFilterChoice = 1;
constexpr int HtmlFilterChoice = 2;

// The file for a name typed into the name field: cut to 255 characters; an extension other than
// exactly ".txt", ".htm" or ".html" (letter case counts) is replaced by ".txt", and a name without
// one gets ".txt".
QString typedExportName(const QString& typed);

// The file for the name the save dialog holds: cut to 255 characters, then the extension of the
// file-type choice is appended whatever the name already ends with.
QString browsedExportName(const QString& chosen, int filterChoice);

bool writesTextLayout(const QString& fileName);
