# Hardening, as distributions build what they ship: stack protector,
# stack-clash protection (a stack overflow meets the guard page, where the
# fault report sees it), fortified C library calls, and full RELRO with
# bind-now (the relocations made read-only before the program runs).
add_compile_options(-fstack-protector-strong -fstack-clash-protection)
add_link_options(-Wl,-z,relro,-z,now)
# Not with the sanitizers: they check those calls themselves and report
# more, where a fortified call would abort first. Unoptimised code drops it
# again (-U_FORTIFY_SOURCE), as it works only with optimisation.
if(NOT KELMAROSZ_SANITIZE AND NOT KELMAROSZ_FUZZ)
  add_compile_definitions(_FORTIFY_SOURCE=2)
endif()
