# Real-window tests share the one X display and its pointer.
set(extra_properties RUN_SERIAL TRUE)
