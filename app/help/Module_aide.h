#pragma once
// Help texts of the three working windows, shown in information boxes.

#include <string>

#include "app/Messages.h"

namespace app {

struct HelpText {
    std::string title;
    std::string text;
};

HelpText MainHelp();    // the main window
HelpText BatchHelp();   // the batch conversion window
HelpText EditorHelp();  // the parameter editor

void ShowMainHelp(Messages& messages);
void ShowBatchHelp(Messages& messages);
void ShowEditorHelp(Messages& messages);

}  // namespace app
