#include "resources/program_resources.h"

#include <cstddef>

#include "resources/build_settings.h"
#include "resources/dialog_templates.h"
#include "resources/resource_ids.h"

// The images come from the committed PNGs, embedded when the program is built.
extern const unsigned char kIcon128Size16[], kIcon128Size32[], kIcon128Size48[], kIcon128Size64[],
    kIcon134Size16[], kIcon134Size32[], kIcon134Size48[], kIcon134Size64[], kIcon135Size64[];
extern const std::size_t kIcon128Size16Size, kIcon128Size32Size, kIcon128Size48Size,
    kIcon128Size64Size, kIcon134Size16Size, kIcon134Size32Size, kIcon134Size48Size,
    kIcon134Size64Size, kIcon135Size64Size;

const char* const kAboutHomePage = VEXMORA_BUILD_HOME_PAGE;

namespace {

IconImage Image(int size, const unsigned char* bytes, std::size_t count) {
  return {size, {bytes, count}};
}

}  // namespace

const ResourceSet& ProgramResources() {
  static const DialogTemplate* const dialogs[] = {
      &kAboutTemplate,     &kMainTemplate,       &kSetupTemplate,
      &kDataErrorTemplate, &kNewAddressTemplate, &kTermsTemplate,
  };
  static const StringResource strings[] = {
      {IDS_ABOUT_ITEM, "&About Vexmora..."},
  };
  static const IconImage appImages[] = {
      Image(16, kIcon128Size16, kIcon128Size16Size),
      Image(32, kIcon128Size32, kIcon128Size32Size),
      Image(48, kIcon128Size48, kIcon128Size48Size),
      Image(64, kIcon128Size64, kIcon128Size64Size),
  };
  static const IconImage spareImages[] = {
      Image(64, kIcon134Size64, kIcon134Size64Size),
      Image(48, kIcon134Size48, kIcon134Size48Size),
      Image(32, kIcon134Size32, kIcon134Size32Size),
      Image(16, kIcon134Size16, kIcon134Size16Size),
  };
  static const IconImage spareLargeImages[] = {
      Image(64, kIcon135Size64, kIcon135Size64Size),
  };
  static const IconResource icons[] = {
      {IDI_APP, appImages},
      {IDI_SPARE, spareImages},
      {IDI_SPARE_LARGE, spareLargeImages},
  };
  static const ResourceSet resources{dialogs, strings, icons};
  return resources;
}
