// The public enumerations of the utility classes, with their published values.
#pragma once

#include <cstdint>

namespace vellora2 {

enum EErrorUtility : int32_t {
  eeBaseUtility = 13000,
  eeNoMousePointer = 13001,
  eeNoTrueOption = 13002,
  eeNotOptionArray = 13003,
  eeMissingParameter = 13004,
};

enum EErrorBytes : int32_t {
  eeBaseBytes = 13430,
};

enum EErrorCommonDialog : int32_t {
  eeBaseCommonDialog = 13450,
};

// Options of GUtility::FindString; combine them with "|".
enum ESearchOptions : int32_t {
  esoCaseSense = 1,
  esoBackward = 2,
  esoWholeWord = 4,
};

// Layouts of GUtility's hexadecimal dumps.
enum EHexDump : int32_t {
  ehdOneColumn = 0,
  ehdTwoColumn = 1,
  ehdEndless = 2,
  ehdSample8 = 3,
  ehdSample16 = 4,
};

}  // namespace vellora2
