# Hardening of optimised builds, as Debian's build flags do it: fortified libc
# calls, stack protector, position-independent executables and a read-only
# relocation table resolved at start. Debug and sanitizer builds keep their
# plain flags (fortification needs optimisation and disturbs AddressSanitizer).
include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

if(NOT ZELK_SANITIZE AND NOT ZELK_FUZZ)
  set(_zelk_optimised "$<NOT:$<CONFIG:Debug>>")
  add_compile_options(
    "$<${_zelk_optimised}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>"
    "$<${_zelk_optimised}:-fstack-protector-strong>"
    "$<${_zelk_optimised}:-Wformat;-Werror=format-security>"
    # No compiler identification section: strip leaves it in the binaries.
    "$<${_zelk_optimised}:-fno-ident>")
  add_link_options("$<${_zelk_optimised}:LINKER:-z,relro;LINKER:-z,now>")
endif()
