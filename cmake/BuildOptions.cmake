# Switches for bringing up a new board. Each defaults to the module's own
# behaviour, so a default build compiles exactly the code it always did.
#
#   TOLVERN_DEBUG_LEVEL_MASK  DebugLevelMask: a message prints when its level
#                             shares a bit with it (default 0: none prints;
#                             0x80000000 shows the error messages)
#   TOLVERN_ASSERT_ACTION     after an assertion report: breakpoint (INT3, then
#                             return; default), deadloop (stay in a loop a
#                             debugger leaves by `set var AssertLoopHold = 0`)
#                             or continue (return at once)
#   TOLVERN_UART_WAIT_LIMIT   line status polls before a UART wait gives up
#                             (default 0: wait forever)
#
# The values reach the module's libraries as compile definitions; the code
# holds the defaults.

set(TOLVERN_DEBUG_LEVEL_MASK 0 CACHE STRING "DebugLevelMask of the module (0: no debug message)")
set(TOLVERN_ASSERT_ACTIONS breakpoint deadloop continue)
set(TOLVERN_ASSERT_ACTION breakpoint CACHE STRING
    "What follows an assertion report: breakpoint, deadloop or continue")
set_property(CACHE TOLVERN_ASSERT_ACTION PROPERTY STRINGS ${TOLVERN_ASSERT_ACTIONS})
set(TOLVERN_UART_WAIT_LIMIT 0 CACHE STRING "Polls before a UART wait gives up (0: never)")

# Sets OUT to the 32-bit number TEXT (decimal or 0x hexadecimal) in decimal,
# or stops the configuration naming OPTION.
function(tolvern_option_number OUT OPTION TEXT)
  set(value "")
  if(NOT TEXT MATCHES "[xX]$" AND TEXT MATCHES "^0[xX]0*([0-9a-fA-F]*)$")
    set(significant "${CMAKE_MATCH_1}")
    string(LENGTH "${significant}" digits)
    if(digits LESS_EQUAL 8)
      math(EXPR value "0x0${significant}" OUTPUT_FORMAT DECIMAL)
    endif()
  elseif(TEXT MATCHES "^0*([0-9]*)$" AND NOT TEXT STREQUAL "")
    set(significant "${CMAKE_MATCH_1}")
    string(LENGTH "${significant}" digits)
    # math() is 64-bit, so ten digits compare safely against 2^32 - 1.
    if(digits LESS_EQUAL 10)
      math(EXPR value "0${significant}")
      if(value GREATER 4294967295)
        set(value "")
      endif()
    endif()
  endif()
  if(value STREQUAL "")
    message(FATAL_ERROR "${OPTION}: '${TEXT}' is not a 32-bit number (decimal or 0x hexadecimal)")
  endif()
  set(${OUT} ${value} PARENT_SCOPE)
endfunction()

# tolvern_build_options(<out> [DEBUG_LEVEL_MASK <n>] [ASSERT_ACTION <action>]
#                       [UART_WAIT_LIMIT <n>]): the compile definitions of the
# options, each taken from its cache variable unless given here.
function(tolvern_build_options OUT)
  cmake_parse_arguments(OPT "" "DEBUG_LEVEL_MASK;ASSERT_ACTION;UART_WAIT_LIMIT" "" ${ARGN})
  foreach(name DEBUG_LEVEL_MASK ASSERT_ACTION UART_WAIT_LIMIT)
    if(NOT DEFINED OPT_${name})
      set(OPT_${name} ${TOLVERN_${name}})
    endif()
  endforeach()
  tolvern_option_number(mask TOLVERN_DEBUG_LEVEL_MASK "${OPT_DEBUG_LEVEL_MASK}")
  tolvern_option_number(limit TOLVERN_UART_WAIT_LIMIT "${OPT_UART_WAIT_LIMIT}")
  if(NOT OPT_ASSERT_ACTION IN_LIST TOLVERN_ASSERT_ACTIONS)
    message(FATAL_ERROR "TOLVERN_ASSERT_ACTION: '${OPT_ASSERT_ACTION}' is not breakpoint, "
                        "deadloop or continue")
  endif()
  string(TOUPPER ${OPT_ASSERT_ACTION} action)
  set(${OUT} TOLVERN_DEBUG_LEVEL_MASK=${mask}u TOLVERN_ASSERT_ACTION=ASSERT_ACTION_${action}
             TOLVERN_UART_WAIT_LIMIT=${limit}u PARENT_SCOPE)
endfunction()

# The definitions of this tree's cache variables, checked at configure time.
tolvern_build_options(TOLVERN_BUILD_OPTION_DEFINITIONS)
