# A sample reseller package, built from resources/samples/ with orbo-certpack
# into build/samples/VirCert.ce. It does not ship: copy it beside the tool
# and set oem=1 to try branding (README). Its monitoring address is on the
# loopback network, so trying it never reaches an outside host.

set(ORBO_SAMPLE_CERT ${CMAKE_BINARY_DIR}/samples/VirCert.ce)
set(sample_dir ${CMAKE_CURRENT_SOURCE_DIR}/samples)
set(sample_entries company.info device.info tool_title_logo.ico tool_desktop_logo.ico default.xml)
set(sample_args)
set(sample_files)
foreach(entry ${sample_entries})
  list(APPEND sample_args ${entry}=${sample_dir}/${entry})
  list(APPEND sample_files ${sample_dir}/${entry})
endforeach()
add_custom_command(OUTPUT ${ORBO_SAMPLE_CERT}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/samples
  COMMAND orbo-certpack --domain cloud.northwind.example.net -o ${ORBO_SAMPLE_CERT} ${sample_args}
  DEPENDS ${sample_files} orbo-certpack
  COMMENT "sample: VirCert.ce"
  VERBATIM)
add_custom_target(orbo_sample_cert ALL DEPENDS ${ORBO_SAMPLE_CERT})
