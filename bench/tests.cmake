# The self-play signature: total trials and candidates examined over a fixed list
# of games. Any change in the engine's choices or pruning changes it; when the
# change is intended, record the new line with
#   build/debug/selfplay --bench > bench/selfplay_signature.txt
# Too slow under the sanitizers, so only in the plain builds.
if(NOT MT_SANITIZE AND TARGET selfplay)
  file(READ ${CMAKE_SOURCE_DIR}/bench/selfplay_signature.txt MT_SELFPLAY_SIGNATURE)
  string(STRIP "${MT_SELFPLAY_SIGNATURE}" MT_SELFPLAY_SIGNATURE)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${CMAKE_SOURCE_DIR}/bench/selfplay_signature.txt)
  add_test(NAME selfplay_signature COMMAND selfplay --bench)
  set_tests_properties(selfplay_signature PROPERTIES
    PASS_REGULAR_EXPRESSION "^${MT_SELFPLAY_SIGNATURE}\n$"
    TIMEOUT 120)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/reliability.cmake)
