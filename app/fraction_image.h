#pragma once
// Finishing touches of a fraction image: band names and a colour picture.
#include <string>
#include <vector>

#include "ztclass/records.h"

namespace ztcli {

// Band k takes the name of class AOI k as its description, which GIS
// programs show as the band's name.
void NameFractionBands(void* dataset, const std::vector<AOI>& classAois);

// A PNG of the first three fractions as red, green and blue (a grey picture
// of the first when there are fewer than three), fraction 0 to 1 spread over
// 0 to 255.
void WriteFractionComposite(const std::string& fractions, const std::string& png, long bandCount);

}  // namespace ztcli
