# Writes OUTPUT, a C++ source whose function NAMESPACE::FUNCTION() returns the bytes of INPUT
# as a std::string_view, so that a program carries a document that stays its single source.
# Run as: cmake -DINPUT=... -DOUTPUT=... -DNAMESPACE=... -DFUNCTION=... -P embed_text.cmake
foreach(variable INPUT OUTPUT NAMESPACE FUNCTION)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "embed_text.cmake needs -D${variable}=...")
  endif()
endforeach()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
# Bytes as numbers, sixteen to a line: any byte is safe, and no delimiter can clash.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n" bytes "${bytes}")
get_filename_component(name "${INPUT}" NAME)

set(source "// Generated from ${name} by embed_text.cmake; edit ${name} instead.
#include <string_view>

namespace ${NAMESPACE} {
namespace {
constexpr unsigned char kBytes[] = {
${bytes}0};
}  // namespace

std::string_view ${FUNCTION}() {
    return {reinterpret_cast<const char*>(kBytes), ${size}};
}

}  // namespace ${NAMESPACE}
")
# Written only when it changes, so that an untouched document rebuilds nothing.
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "${source}" @ONLY)
