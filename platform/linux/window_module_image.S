/* The window module's bytes, carried in the installer's read-only data. WINDOW_MODULE_PATH is
   the built module, given by the build, which rebuilds this object whenever the module changes. */
    .section .rodata.scenario_window_module, "a"
    .balign 64
    .globl scenario_window_module_image
    .type scenario_window_module_image, @object
scenario_window_module_image:
    .incbin WINDOW_MODULE_PATH
    .globl scenario_window_module_image_end
scenario_window_module_image_end:
    .size scenario_window_module_image, scenario_window_module_image_end - scenario_window_module_image

/* No executable stack for the installer on account of this object. */
    .section .note.GNU-stack, "", @progbits
