# The command line on Linux: text through FreeType, pictures through libpng.
option(VELLIQOR_TESTS "Build the tests" ON)
option(VELLIQOR_BENCHMARKS "Build the benchmarks" ON)
find_package(Freetype REQUIRED)
find_package(PNG REQUIRED)
find_package(SDL2 REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
pkg_check_modules(SOXR REQUIRED IMPORTED_TARGET soxr)
find_package(nlohmann_json 3 REQUIRED)
# The run driver and the command line's platform layer: the core itself needs no front end.
add_library(velliqor_linux STATIC
  app/linux/text_freetype.cpp
  app/linux/png_snapshot.cpp
  app/linux/whole_file.cpp
  app/linux/files_linux.cpp
  app/linux/progress.cpp
  app/linux/fatal_error_linux.cpp
  app/linux/live_window.cpp
  app/linux/frames.cpp
  app/linux/audio_convert.cpp
  app/linux/audio_header.cpp
  app/linux/cli_options.cpp
  app/linux/single_run.cpp
  app/linux/stop_signal.cpp
  app/linux/output_claim.cpp
  app/linux/recording_place.cpp
  app/linux/run_summary.cpp
  app/linux/take_blocks.cpp
  app/linux/merge_takes.cpp
  app/linux/batch.cpp
  app/linux/child_run.cpp
  app/linux/merged_output.cpp
  app/linux/tzx_file.cpp
  app/linux/json_report.cpp
)
target_include_directories(velliqor_linux PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(velliqor_linux PUBLIC velliqor_core Freetype::Freetype PNG::PNG SDL2::SDL2 PkgConfig::SNDFILE PkgConfig::SOXR
  nlohmann_json::nlohmann_json)
set(VELLIQOR_FONT "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf" CACHE FILEPATH "Font of the live view's text")
target_compile_definitions(velliqor_linux PRIVATE VELLIQOR_FONT="${VELLIQOR_FONT}")

# `velliqor` is the reference profile; each profile also has an executable of its own name.
add_executable(velliqor app/linux/cli_main.cpp)
target_compile_definitions(velliqor PRIVATE VELLIQOR_MAIN_COMMAND)
target_link_libraries(velliqor PRIVATE velliqor_linux velliqor_profile_2_01)
foreach(profile IN LISTS VELLIQOR_PROFILES)
  profile_executable_name(${profile} exe)
  add_executable(${exe} app/linux/cli_main.cpp)
  target_link_libraries(${exe} PRIVATE velliqor_linux velliqor_profile_${profile})
endforeach()

# The tape encoder: makes recordings from TAP blocks (demo and tests).
add_library(velliqor_encoder STATIC tools/tape_encoder.cpp)
target_include_directories(velliqor_encoder PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
add_executable(make_recording tools/make_recording.cpp)
target_link_libraries(make_recording PRIVATE velliqor_encoder)
# The zero-crossing front end alone, for measuring it on sets of recordings.
add_executable(zero_crossings_trial tools/zero_crossings_trial.cpp)
target_link_libraries(zero_crossings_trial PRIVATE velliqor_core)

# The bundled demo recording, made from the demo tape at build time.
set(DEMO_RECORDING ${CMAKE_BINARY_DIR}/demo/demo.wav)
add_custom_command(OUTPUT ${DEMO_RECORDING}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/demo
  COMMAND make_recording --speed 0.97 --noise 300 --wav ${CMAKE_CURRENT_SOURCE_DIR}/resources/demo.tap ${DEMO_RECORDING}
  DEPENDS make_recording ${CMAKE_CURRENT_SOURCE_DIR}/resources/demo.tap
  COMMENT "Making the demo recording")
add_custom_target(demo_recording ALL DEPENDS ${DEMO_RECORDING})

if(VELLIQOR_FUZZ)
  add_executable(pipeline_fuzz tests/fuzz/pipeline_fuzz.cpp tests/support/pipeline_runner.cpp tests/support/in_process_run.cpp)
  target_include_directories(pipeline_fuzz PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_link_libraries(pipeline_fuzz PRIVATE velliqor_linux velliqor_profile_2_01)
  target_link_options(pipeline_fuzz PRIVATE -fsanitize=fuzzer)
  add_executable(make_fuzz_seeds tests/fuzz/make_seeds.cpp)
  target_link_libraries(make_fuzz_seeds PRIVATE velliqor_encoder)
  # --convert's decoding alone, on any bytes as an audio file.
  add_executable(convert_fuzz tests/fuzz/convert_fuzz.cpp app/linux/audio_convert.cpp app/linux/audio_header.cpp)
  target_include_directories(convert_fuzz PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(convert_fuzz PRIVATE PkgConfig::SNDFILE PkgConfig::SOXR)
  target_link_options(convert_fuzz PRIVATE -fsanitize=fuzzer)
  # The merge of takes alone, on any copies.
  add_executable(merge_fuzz tests/fuzz/merge_fuzz.cpp)
  target_link_libraries(merge_fuzz PRIVATE velliqor_core)
  target_link_options(merge_fuzz PRIVATE -fsanitize=fuzzer)
  add_executable(make_convert_seeds tests/fuzz/make_convert_seeds.cpp)
  target_link_libraries(make_convert_seeds PRIVATE velliqor_encoder PkgConfig::SNDFILE)
endif()

if(VELLIQOR_TESTS)
  enable_testing()
  add_subdirectory(tests)
endif()
if(VELLIQOR_BENCHMARKS)
  add_subdirectory(benchmarks)
endif()

# Installation: the executables, the man page, bash completion and the desktop entry.
include(GNUInstallDirs)
install(TARGETS velliqor DESTINATION ${CMAKE_INSTALL_BINDIR})
set(profile_commands)
foreach(profile IN LISTS VELLIQOR_PROFILES)
  profile_executable_name(${profile} exe)
  install(TARGETS ${exe} DESTINATION ${CMAKE_INSTALL_BINDIR})
  list(APPEND profile_commands ${exe})
endforeach()

# The man page and the changelog are installed gzipped, as Debian wants them;
# -n leaves the name and time out, so the bytes depend on the text alone.
find_program(VELLIQOR_GZIP gzip)
if(NOT VELLIQOR_GZIP)
  message(FATAL_ERROR "gzip is needed to compress the man page")
endif()
function(gzipped_copy source gz)
  string(REGEX REPLACE "[.]gz$" "" plain ${gz})
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${plain}
    COMMAND ${VELLIQOR_GZIP} -9nf ${plain}
    DEPENDS ${source} VERBATIM)
endfunction()
set(man_dir ${CMAKE_BINARY_DIR}/install/man1)
set(doc_dir ${CMAKE_BINARY_DIR}/install/doc)
set(completions_dir ${CMAKE_BINARY_DIR}/install/completions)
gzipped_copy(${CMAKE_CURRENT_SOURCE_DIR}/docs/velliqor.1 ${man_dir}/velliqor.1.gz)
gzipped_copy(${CMAKE_CURRENT_SOURCE_DIR}/resources/linux/changelog ${doc_dir}/changelog.gz)
add_custom_target(gzipped_docs ALL DEPENDS ${man_dir}/velliqor.1.gz ${doc_dir}/changelog.gz)

# Each profile command shares velliqor's man page and completion through a
# link of its own name, where man and bash-completion's lazy loading look.
file(MAKE_DIRECTORY ${man_dir} ${completions_dir})
configure_file(resources/linux/velliqor.bash-completion ${completions_dir}/velliqor COPYONLY)
set(man_pages ${man_dir}/velliqor.1.gz)
set(completions ${completions_dir}/velliqor)
foreach(exe IN LISTS profile_commands)
  file(CREATE_LINK velliqor.1.gz ${man_dir}/${exe}.1.gz SYMBOLIC)
  file(CREATE_LINK velliqor ${completions_dir}/${exe} SYMBOLIC)
  list(APPEND man_pages ${man_dir}/${exe}.1.gz)
  list(APPEND completions ${completions_dir}/${exe})
endforeach()
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${completions} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES resources/linux/copyright ${doc_dir}/changelog.gz docs/report.schema.json DESTINATION ${CMAKE_INSTALL_DOCDIR})
# A stripped install (cpack, cmake --install --strip) also leaves out the
# compiler's notes, as Debian's own packages do.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(exe velliqor ${profile_commands})
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${exe}\" RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR \"could not strip \${exe}\")
      endif()
    endforeach()
  endif()")
install(FILES resources/linux/velliqor.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/velliqor.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)

# A Debian package: cpack -G DEB in the build folder. The binaries are
# stripped; the libraries it needs are found by dpkg-shlibdeps, with their
# versions; the font of the live view is data, so named by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velliqor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Velliqor developers <velliqor@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "recover the blocks of ZX Spectrum tapes from recordings")
# Read here: CPack would escape the file's apostrophes as XML.
file(READ ${CMAKE_CURRENT_SOURCE_DIR}/resources/linux/description CPACK_PACKAGE_DESCRIPTION)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
include(CPack)
