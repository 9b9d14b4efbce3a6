# Files of this subsystem are added here.
