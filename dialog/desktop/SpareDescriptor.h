#pragma once

namespace desktop {

// One file descriptor held back for the window system. The X11 backend needs
// a free descriptor to paint (each shared-memory segment arrives as one); while
// a run holds its files open near the descriptor limit, this one keeps a slot
// that is lent out around every paint and message box. Not copyable.
class SpareDescriptor {
public:
    SpareDescriptor() = default;
    ~SpareDescriptor();
    SpareDescriptor(const SpareDescriptor&) = delete;
    SpareDescriptor& operator=(const SpareDescriptor&) = delete;

    // Holds a descriptor if one is free; nothing if one is already held.
    void Take();
    // Closes the held descriptor, if any.
    void GiveBack();

    // Gives the spare back for its own lifetime and takes it again after, if
    // it was held.
    class Lent {
    public:
        explicit Lent(SpareDescriptor& spare) : spare_(spare), wasHeld_(spare.fd_ >= 0) {
            spare_.GiveBack();
        }
        ~Lent() {
            if (wasHeld_) {
                spare_.Take();
            }
        }
        Lent(const Lent&) = delete;
        Lent& operator=(const Lent&) = delete;

    private:
        SpareDescriptor& spare_;
        bool wasHeld_;
    };

private:
    int fd_ = -1;
};

}  // namespace desktop
