#pragma once
// Message and question boxes, shown through the general library.
#include <string>

#include "platform/kvxglib/Library.h"

namespace catalogue {

void ShowErrorMessage(kvxglib::Library& glib, const std::string& text);
void ShowInfoMessage(kvxglib::Library& glib, const std::string& text);
bool AskOkCancel(kvxglib::Library& glib, const std::string& text);
bool AskOkCancelDefaultCancel(kvxglib::Library& glib, const std::string& text);
bool AskYesNo(kvxglib::Library& glib, const std::string& text);

}  // namespace catalogue
