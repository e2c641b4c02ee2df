// The error channel's message boxes shown as Qt message boxes: the stop icon
// for errors, the caption given, modal to the whole program.
#pragma once

// Installs the Qt presenter; call once the application object exists.
void InstallQtMessageBox();
