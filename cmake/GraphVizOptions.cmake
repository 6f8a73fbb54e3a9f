# What `make docs` draws of the build: our own libraries and programs, not the system's.
set(GRAPHVIZ_GRAPH_NAME "krelvan")
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_INTERFACE_LIBS TRUE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS "^rooms_" "^demo_programs$" "_autogen" "^wire_fuzzed$" "^secure_fuzzed$")
