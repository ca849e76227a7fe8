# The hardening Debian asks of a program: relocations read-only and bound at
# load time, and the C library's checked string and memory functions. Neither
# touches floating point (-ffp-contract=off and no fast-math stay as they are),
# so the outputs stay byte-identical. The sanitizer and fuzzer builds carry
# checks of their own; the C library's would only get in their way.
if(NOT VELLIQOR_SANITIZE AND NOT VELLIQOR_FUZZ AND NOT VELLIQOR_TSAN)
  add_link_options(-Wl,-z,relro,-z,now)
  # _FORTIFY_SOURCE does nothing without optimisation, and warns about it.
  # Undefined first: some compilers define it on their own, at another level.
  set(optimised "$<OR:$<CONFIG:Release>,$<CONFIG:RelWithDebInfo>,$<CONFIG:MinSizeRel>>")
  add_compile_options("$<${optimised}:-U_FORTIFY_SOURCE>" "$<${optimised}:-D_FORTIFY_SOURCE=2>")
endif()
