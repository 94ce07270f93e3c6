# The library a fuzz target links: the lowest layer its includes reach. A
# target of a thumbnail decoder links the thumbnail library's internal
# archive, one that reaches into the engine links the core, one that reaches
# the readers links the readers, and every other one (the platform's own file
# readers) links only the platform, so each fuzzer proves its reader stands on
# the layers below it alone.
function(zembrolt_fuzz_library source out)
  file(STRINGS ${source} thumbnail_includes REGEX "#include \"ThumbGenerator/")
  file(STRINGS ${source} engine_includes REGEX "#include \"app/engine/")
  file(STRINGS ${source} reader_includes REGEX "#include \"readers/")
  if(thumbnail_includes)
    set(${out} zbthumb_internal PARENT_SCOPE)
  elseif(engine_includes)
    set(${out} zembrolt_core PARENT_SCOPE)
  elseif(reader_includes)
    set(${out} zembrolt_readers PARENT_SCOPE)
  else()
    set(${out} zembrolt_platform PARENT_SCOPE)
  endif()
endfunction()
