#include "catalogue/Texts.h"

#include "catalogue/LibraryText.h"

namespace catalogue {

std::string GetText(kvxglib::Library& glib, int32_t number) {
    int32_t status = 0;
    return TextFromPointer(glib, glib.GetText(kTextsFile, number, 0, status));
}

std::string ReplacePlaceholders(const std::string& textTemplate,
                                const std::vector<std::string>& pairs) {
    if (pairs.size() % 2 != 0) return textTemplate;
    std::string result = textTemplate;
    for (size_t i = 0; i < pairs.size(); i += 2) {
        const std::string& placeholder = pairs[i];
        const std::string& value = pairs[i + 1];
        if (placeholder.empty()) continue;  // nothing to find; replacing it would never end
        std::string replaced;
        size_t from = 0;
        for (size_t at; (at = result.find(placeholder, from)) != std::string::npos;
             from = at + placeholder.size()) {
            replaced.append(result, from, at - from).append(value);
        }
        result = replaced.append(result, from, std::string::npos);
    }
    return result;
}

}  // namespace catalogue
