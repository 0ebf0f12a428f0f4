# Flags every Kinbox target shares.
add_library(kinbox_common INTERFACE)
target_compile_features(kinbox_common INTERFACE cxx_std_20)
target_compile_options(kinbox_common INTERFACE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
target_compile_definitions(kinbox_common INTERFACE
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_DISABLE_DEPRECATED_BEFORE=0x060400
  _FILE_OFFSET_BITS=64
  KINBOX_VERSION="${PROJECT_VERSION}")

if(KINBOX_SANITIZE)
  target_compile_options(kinbox_common INTERFACE -fsanitize=${KINBOX_SANITIZE} -fno-omit-frame-pointer)
  target_link_options(kinbox_common INTERFACE -fsanitize=${KINBOX_SANITIZE})
endif()

# kinbox_add_test(NAME LABEL SOURCES... LIBS ...): one Qt Test executable, run headless by CTest, with a
# home and settings folders of its own under the build tree, so that no test reaches the user's.
function(kinbox_add_test name label)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE kinbox_common Qt6::Test ${T_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS ${label}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;LANG=C.UTF-8;HOME=${CMAKE_BINARY_DIR}/test-home/${name};XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-home/${name}/config;XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-home/${name}/data;XDG_CACHE_HOME=${CMAKE_BINARY_DIR}/test-home/${name}/cache")
  if(NOT TARGET ${label}_tests)
    add_custom_target(${label}_tests)
  endif()
  add_dependencies(${label}_tests ${name})
endfunction()
