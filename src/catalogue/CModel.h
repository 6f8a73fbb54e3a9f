#pragma once
// One controller model of the catalogue, as its model file describes it.
#include <string>

namespace catalogue {

struct CModel {
    std::string Name;
    std::string ArtNo = "000-0000";
    double Model = 0;
    double Code = 0;
    double Options = 120;
    double TaskMask = -1;
    std::string Revisions;  // relative path of the model's revisions file
    std::string Velmoro;    // product-line text shown in the column "Model"
};

}  // namespace catalogue
