#include "forms/frm_properties.hpp"
#include "vellora2/document/cvellora.hpp"

namespace vellora2 {

void CVellora::EditProperties() {
  // A form still open from an earlier call keeps its statistics; only the
  // document's fields are filled again.
  frmProperties& form = LoadPropertiesForm();
  form.Document(this);
  form.Show(DialogBoxParentHwnd() >= 1);
}

}  // namespace vellora2
