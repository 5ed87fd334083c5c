# Packs the scene archive: the camera tracks first, then every file the church builder lists in its
# files.txt (one name a line, relative to that folder), then the archive's copy of Cam_Params.txt.
# Without a church yet the archive holds the camera files alone, so the build never breaks on it.
#
#   cmake -DRARPACK=... -DOUT=... -DTRACKS_DIR=... -DCHURCH_DIR=... -P pack_scene.cmake

set(items "Cam_Tracks.bin=${TRACKS_DIR}/Cam_Tracks.bin")
set(list_file "${CHURCH_DIR}/files.txt")
if(EXISTS "${list_file}")
  file(STRINGS "${list_file}" names)
  foreach(name IN LISTS names)
    string(STRIP "${name}" name)
    if(name STREQUAL "" OR name MATCHES "^#")
      continue()
    endif()
    if(IS_ABSOLUTE "${name}")
      get_filename_component(entry "${name}" NAME)
      set(path "${name}")
    else()
      set(entry "${name}")
      set(path "${CHURCH_DIR}/${name}")
    endif()
    if(NOT EXISTS "${path}")
      message(FATAL_ERROR "scene archive: ${list_file} names ${name}, which does not exist")
    endif()
    list(APPEND items "${entry}=${path}")
  endforeach()
endif()
list(APPEND items "Cam_Params.txt=${TRACKS_DIR}/Cam_Params.txt")

execute_process(COMMAND "${RARPACK}" a -s -m3 "${OUT}.tmp" ${items} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE "${OUT}.tmp")
  message(FATAL_ERROR "scene archive: rarpack failed (${rc})")
endif()
file(RENAME "${OUT}.tmp" "${OUT}")
