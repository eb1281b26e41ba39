# Copies the page bundle and the default data into the application directory.
# Stored data that a user changed (profiles, conf.xml, bindings) is kept: only missing files are copied.
file(COPY ${SRC}/view/ DESTINATION ${APP}/view PATTERN "xml" EXCLUDE)
file(MAKE_DIRECTORY ${APP}/view/xml ${APP}/view/icon ${APP}/Resources/profiles)
file(GLOB_RECURSE defaults RELATIVE ${SRC}/data ${SRC}/data/*)
foreach(f ${defaults})
  if(NOT EXISTS ${APP}/${f})
    get_filename_component(d ${APP}/${f} DIRECTORY)
    file(COPY ${SRC}/data/${f} DESTINATION ${d})
  endif()
endforeach()
