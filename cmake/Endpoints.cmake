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

# The game launcher's URL schemes, a list: an address of one of these from a
# channel page goes to the system at once; any other scheme that is not
# refused outright is the user's to allow, once. The sandbox's launcher
# scheme with QUAYLET_SANDBOX_ENDPOINTS; none by default.
set(QUAYLET_SANDBOX_LAUNCH_SCHEMES dho-sandbox)
if(QUAYLET_SANDBOX_ENDPOINTS)
    set(launch_schemes ${QUAYLET_SANDBOX_LAUNCH_SCHEMES})
else()
    set(launch_schemes "")
endif()
if(reset_endpoints)
    unset(QUAYLET_LAUNCH_SCHEMES CACHE)
endif()
set(QUAYLET_LAUNCH_SCHEMES "${launch_schemes}" CACHE STRING "The game launcher's URL schemes (a list)")

# A build whose endpoints lead back to this machine talks to the sandbox or
# to whatever listens there, never to a portal: cmake --install refuses it
# before it copies anything. Every spelling counts: 127.x, 0.0.0.0,
# localhost and its subdomains, ::1 however written, ::ffff:127.x.
set(loopback_endpoints)
foreach(name IN LISTS QUAYLET_ENDPOINT_NAMES)
    string(TOLOWER "${QUAYLET_HOST_${name}}" host)
    # The host without its port: [v6]:port, [v6], a bare v6, name:port.
    if(host MATCHES "^\\[([^]]*)\\]")
        set(host "${CMAKE_MATCH_1}")
    elseif(NOT host MATCHES ":.*:")
        string(REGEX REPLACE ":[0-9]*$" "" host "${host}")
    endif()
    if(host MATCHES "^127\\.[0-9.]*$" OR host MATCHES "^0+(\\.0+)*$" OR host MATCHES "^([^:]*\\.)?localhost\\.?$"
       OR host MATCHES "^[0:]*:0*1$" OR host MATCHES "^[0:]*:ffff:(127\\.|7f[0-9a-f][0-9a-f]:)" OR host MATCHES "^[0:]*$")
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
# Endpoints::builtIn() and Endpoints::launcherSchemes(), from the cache
# variables or, with BASE_PORT, for quaylet-sandbox listening from that port.
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
    if(DEFINED arg_BASE_PORT)
        set(schemes ${QUAYLET_SANDBOX_LAUNCH_SCHEMES})
    else()
        set(schemes ${QUAYLET_LAUNCH_SCHEMES})
    endif()
    set(QUAYLET_LAUNCH_SCHEME_VALUES "")
    foreach(scheme IN LISTS schemes)
        string(TOLOWER "${scheme}" scheme)
        if(NOT scheme MATCHES "^[a-z][a-z0-9+.-]+$")
            message(FATAL_ERROR "QUAYLET_LAUNCH_SCHEMES: \"${scheme}\" is not a URL scheme")
        endif()
        string(APPEND QUAYLET_LAUNCH_SCHEME_VALUES "QStringLiteral(\"${scheme}\"), ")
    endforeach()
    configure_file(${PROJECT_SOURCE_DIR}/src/core/Endpoints.cpp.in ${file} @ONLY)
endfunction()
