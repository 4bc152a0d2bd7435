# The library's sources and the folders of its headers, below `root`: one
# list for the library build and the fuzz target alike. Public headers are in
# fem/ and th10g15/; the subfolders of th10g15/ hold the file formats (io/)
# and the stress-integration schemes (integration/).
function(th10fem_sources root sources_var includes_var)
  set(folders fem th10g15 th10g15/io th10g15/integration)
  list(TRANSFORM folders PREPEND ${root}/ OUTPUT_VARIABLE dirs)
  list(TRANSFORM dirs APPEND /*.cpp OUTPUT_VARIABLE globs)
  file(GLOB sources CONFIGURE_DEPENDS ${globs})
  set(${sources_var} ${sources} PARENT_SCOPE)
  set(${includes_var} ${dirs} ${root}/linalg PARENT_SCOPE)
endfunction()
