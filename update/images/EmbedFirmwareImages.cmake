# Writes OUTPUT, a C++ source defining zrflash::update::FirmwareImages from the two image files
# MODEL12 and MODEL14. Runs as `cmake -P` on the build machine, so it also serves cross builds.

foreach(variable MODEL12 MODEL14 OUTPUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "EmbedFirmwareImages: ${variable} not given")
  endif()
endforeach()

set(imageSize 65536)
string(REPEAT "[0-9a-f]" 32 sixteenBytes)

function(image_initializer file result)
  file(READ "${file}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR bytes "${digits} / 2")
  if(NOT bytes EQUAL imageSize)
    message(FATAL_ERROR "${file}: ${bytes} bytes, a firmware image has ${imageSize}")
  endif()
  string(REGEX REPLACE "(${sixteenBytes})" "        \\1\n" hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
  set(${result} "${hex}" PARENT_SCOPE)
endfunction()

image_initializer("${MODEL12}" model12)
image_initializer("${MODEL14}" model14)

file(WRITE "${OUTPUT}.new"
"// Generated from update/images/ by EmbedFirmwareImages.cmake at build time; not to be edited.
#include \"update/FirmwareImages.h\"

namespace zrflash::update {

const std::array<FirmwareImage, 2> FirmwareImages{{
    {{
${model12}    }},
    {{
${model14}    }},
}};

}  // namespace zrflash::update
")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
