// Placeholder so the build configures while this adapter is being built; replaced by the real code.
