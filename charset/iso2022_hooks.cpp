#include "charset/iso2022_hooks.h"

#include "charset/hz.h"
#include "charset/japanese.h"
#include "charset/korean.h"

namespace vk {

const Iso2022Transforms* iso2022Transforms() {
  static const Iso2022Transforms transforms = {
      &Japanese::fromIso2022Jp, &Korean::fromIso2022Kr, &Japanese::toIso2022Jp,
      &Korean::toIso2022Kr,     &Chinese::fromHz,       &Chinese::toHz,
  };
  return &transforms;
}

}  // namespace vk
