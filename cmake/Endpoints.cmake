# The ten web endpoints: name, the real portal's host, what it is. Their order
# is the order of the fields of Endpoints (src/core/Endpoints.h) and of the
# sandbox's ports: endpoint n listens on the base port + n.
set(QUAYLET_ENDPOINT_TABLE
    NETMARBLE_LOGIN     login.netmarble.net "Netmarble login server"
    NETMARBLE_GAME      dho.netmarble.net   "Netmarble site of the game"
    NETMARBLE_HOME      www.netmarble.net   "Netmarble portal home"
    DAUM_LOGIN          login.daum.net      "Daum login server"
    DAUM_SECURE_LOGIN   logins.daum.net     "Daum secure login server"
    DAUM_HOME           www.daum.net        "Daum portal home"
    DAUM_USER           user.daum.net       "Daum user-consent server"
    DAUM_GAME           dho.game.daum.net   "Daum site of the game"
    ZAVIV_SITE          dho.inven.co.kr     "Fan site of the game"
    GUIDE_SITE          www.dhomir.com      "Guide site of the game"
)

# The base port quaylet-sandbox listens from unless told otherwise.
set(QUAYLET_SANDBOX_DEFAULT_BASE_PORT 47100)

option(QUAYLET_SANDBOX_ENDPOINTS
    "Build against quaylet-sandbox on 127.0.0.1 and its default ports instead of the real portals" OFF)

# quaylet_endpoint_hosts(OUT BASE_PORT): the hosts of quaylet-sandbox listening
# from BASE_PORT, in table order.
function(quaylet_endpoint_hosts out base_port)
    set(hosts)
    list(LENGTH QUAYLET_ENDPOINT_TABLE length)
    math(EXPR count "${length} / 3")
    foreach(n RANGE 1 ${count})
        math(EXPR port "${base_port} + ${n}")
        list(APPEND hosts "127.0.0.1:${port}")
    endforeach()
    set(${out} ${hosts} PARENT_SCOPE)
endfunction()

# One QUAYLET_HOST_<name> cache variable per endpoint: the real portal by
# default, the sandbox with QUAYLET_SANDBOX_ENDPOINTS. A value given on the
# command line or kept in the cache wins, except when the option has changed
# since the last configure: then all ten are set anew, so that turning the
# sandbox off never keeps its hosts.
quaylet_endpoint_hosts(sandbox_hosts ${QUAYLET_SANDBOX_DEFAULT_BASE_PORT})
if(QUAYLET_SANDBOX_ENDPOINTS)
    set(endpoints_mode ON)
else()
    set(endpoints_mode OFF)
endif()
set(reset_endpoints FALSE)
if(DEFINED QUAYLET_SANDBOX_ENDPOINTS_APPLIED AND NOT QUAYLET_SANDBOX_ENDPOINTS_APPLIED STREQUAL endpoints_mode)
    set(reset_endpoints TRUE)
endif()
set(QUAYLET_SANDBOX_ENDPOINTS_APPLIED ${endpoints_mode} CACHE INTERNAL
    "QUAYLET_SANDBOX_ENDPOINTS when the endpoints were last set")
set(QUAYLET_ENDPOINT_NAMES)
list(LENGTH QUAYLET_ENDPOINT_TABLE table_length)
math(EXPR last_row "${table_length} - 3")
foreach(row RANGE 0 ${last_row} 3)
    math(EXPR host_index "${row} + 1")
    math(EXPR description_index "${row} + 2")
    list(GET QUAYLET_ENDPOINT_TABLE ${row} name)
    list(GET QUAYLET_ENDPOINT_TABLE ${host_index} host)
    list(GET QUAYLET_ENDPOINT_TABLE ${description_index} description)
    if(QUAYLET_SANDBOX_ENDPOINTS)
        math(EXPR n "${row} / 3")
        list(GET sandbox_hosts ${n} host)
    endif()
    list(APPEND QUAYLET_ENDPOINT_NAMES ${name})
    if(reset_endpoints)
        unset(QUAYLET_HOST_${name} CACHE)
    endif()
    set(QUAYLET_HOST_${name} "${host}" CACHE STRING "${description}")
endforeach()

# A build whose endpoints lead back to this machine (127.x, localhost and its
# subdomains, ::1) talks to the sandbox or to whatever listens there, never
# to a portal: cmake --install refuses it before it copies anything.
set(loopback_endpoints)
foreach(name IN LISTS QUAYLET_ENDPOINT_NAMES)
    string(TOLOWER "${QUAYLET_HOST_${name}}" host)
    if(host MATCHES "^(127\\.[0-9.]*|([^:]*\\.)?localhost\\.?|\\[::1\\])(:[0-9]*)?$" OR host STREQUAL "::1")
        list(APPEND loopback_endpoints QUAYLET_HOST_${name})
    endif()
endforeach()
if(loopback_endpoints)
    list(JOIN loopback_endpoints ", " loopback_names)
    message(STATUS "Endpoints on loopback (${loopback_names}): cmake --install refuses this build")
    install(CODE "message(FATAL_ERROR \"Not installed: ${loopback_names} point at loopback, \"
        \"so this build would never reach a portal. Configure it with -DQUAYLET_SANDBOX_ENDPOINTS=OFF \"
        \"and real hosts.\")")
endif()

# quaylet_write_endpoints(FILE [BASE_PORT port]): the source of
# Endpoints::builtIn(), from the QUAYLET_HOST_* cache variables or, with
# BASE_PORT, for quaylet-sandbox listening from that port.
function(quaylet_write_endpoints file)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "BASE_PORT" "")
    if(DEFINED arg_BASE_PORT)
        quaylet_endpoint_hosts(hosts ${arg_BASE_PORT})
    else()
        set(hosts)
        foreach(name IN LISTS QUAYLET_ENDPOINT_NAMES)
            list(APPEND hosts "${QUAYLET_HOST_${name}}")
        endforeach()
    endif()
    set(QUAYLET_ENDPOINT_VALUES "")
    foreach(host IN LISTS hosts)
        string(APPEND QUAYLET_ENDPOINT_VALUES "        QStringLiteral(\"${host}\"),\n")
    endforeach()
    configure_file(${PROJECT_SOURCE_DIR}/src/core/Endpoints.cpp.in ${file} @ONLY)
endfunction()
