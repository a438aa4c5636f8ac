#include "controls/FlatUtils.h"

bool TVersionControl::GetPropertyText(std::string_view name, std::string& value) {
  if (name != "Version") return TCustomControl::GetPropertyText(name, value);
  value = Version();
  return true;
}

bool TVersionGraphic::GetPropertyText(std::string_view name, std::string& value) {
  if (name != "Version") return TGraphicControl::GetPropertyText(name, value);
  value = Version();
  return true;
}
