# Each subsystem folder is one static library made of every source file in it and its rooms
# (subfolders), so that adding a class needs no build-file edit.
function(velmora_library name)
  cmake_parse_arguments(L "" "" "LIBS;EXCLUDE;EXTRA" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  # A program's main() stays out of its library, so that tests reach everything else.
  foreach(excluded ${L_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  add_library(${name} STATIC ${sources} ${L_EXTRA})
  # An include names its folder ("tags/trailer/TagCore.h"), so a line tells which room it comes from.
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${L_LIBS})
endfunction()

# Every tests/<folder>/tst_*.cpp is one test program linked with the given libraries and a half
# of the shared test support (SUPPORT, the window half by default); the other .cpp files of the
# folder are helpers compiled into each.
function(velmora_tests_in_folder)
  cmake_parse_arguments(T "" "SUPPORT" "LIBS;SOURCES" ${ARGN})
  if(NOT T_SUPPORT)
    set(T_SUPPORT velmora_test_window)
  endif()
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  file(GLOB helpers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER helpers EXCLUDE REGEX "/tst_[^/]*\\.cpp$")
  foreach(test ${tests})
    get_filename_component(name ${test} NAME_WE)
    velmora_add_test(${name} SOURCES ${test} ${helpers} ${T_SOURCES} LIBS ${T_LIBS} ${T_SUPPORT})
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  endforeach()
endfunction()
