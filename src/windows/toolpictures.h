#pragma once

#include <QIcon>

// The small pictures of the main window's tool-bar buttons, drawn by the program itself.
enum class ToolPicture { Clear, Add, Save, Change, Delete, Search, ClearSearch, GoToDate, AllEntries };

QIcon toolPicture(ToolPicture which);
