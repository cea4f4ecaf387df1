# Checks that no library of src/ includes a header of a library above it or beside it.
#
#   cmake -DSOURCE_DIR=src "-DLAYERS=core text data app reports,ui/controls ..." -P layers.cmake
#
# LAYERS names the folders of the libraries from the bottom up, one level per word; folders
# on one level are joined by commas and know nothing of each other. A file belongs to the
# longest listed folder its path starts with, and an include "x/y.h" to the longest listed
# folder "x/y.h" starts with. Files directly in SOURCE_DIR (the program) stand above all.
# Every folder that holds sources must be listed, so that a new library is given its place.

get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
separate_arguments(levels UNIX_COMMAND "${LAYERS}")
set(folders "")
set(level 0)
foreach(entry IN LISTS levels)
  math(EXPR level "${level} + 1")
  string(REPLACE "," ";" names "${entry}")
  foreach(name IN LISTS names)
    set(level_of_${name} ${level})
    list(APPEND folders ${name})
  endforeach()
endforeach()
if(NOT folders)
  message(FATAL_ERROR "no layers given")
endif()

# The longest listed folder that the path starts with, or "" for none.
function(folder_of path out)
  set(best "")
  foreach(f IN LISTS folders)
    string(FIND "${path}/" "${f}/" at)
    string(LENGTH "${f}" n)
    string(LENGTH "${best}" b)
    if(at EQUAL 0 AND n GREATER b)
      set(best "${f}")
    endif()
  endforeach()
  set(${out} "${best}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp"
     "${SOURCE_DIR}/*.h.in" "${SOURCE_DIR}/*.cpp.in")
set(faults "")
set(checked 0)
foreach(source IN LISTS sources)
  get_filename_component(dir "${source}" DIRECTORY)
  if(dir STREQUAL "")
    continue()  # the program itself
  endif()
  folder_of("${dir}" own)
  if(own STREQUAL "")
    list(APPEND faults "src/${source}: src/${dir} is in no layer (give it its place in QD_LAYERS)")
    continue()
  endif()
  math(EXPR checked "${checked} + 1")
  file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+/")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
    folder_of("${header}" theirs)
    if(theirs STREQUAL "" OR theirs STREQUAL own)
      continue()
    endif()
    if(level_of_${theirs} GREATER level_of_${own})
      list(APPEND faults "src/${source} includes \"${header}\": ${theirs} is above ${own}")
    elseif(level_of_${theirs} EQUAL level_of_${own})
      list(APPEND faults "src/${source} includes \"${header}\": ${theirs} is beside ${own}")
    endif()
  endforeach()
endforeach()

if(checked EQUAL 0)
  message(FATAL_ERROR "no sources found under ${SOURCE_DIR}")
endif()
if(faults)
  list(JOIN faults "\n  " shown)
  message(FATAL_ERROR "includes against the layers:\n  ${shown}")
endif()
message(STATUS "${checked} files keep to the layers")
