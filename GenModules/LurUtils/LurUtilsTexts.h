// The utility library's own message texts (exception texts from 20000 on and
// the labels of error reports), compiled into every program that links it.
#pragma once

namespace lurutils {

// Registers the texts with the program's string resources; the first call
// does it, later calls do nothing. Called by the string lookup itself, so a
// program never misses them.
void RegisterLibraryTexts();

}  // namespace lurutils
