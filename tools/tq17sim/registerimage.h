#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>
#include <modbus.h>

// The controller's holding and input registers, kept in the form libmodbus serves them from.
// Out-of-range addresses read 0 and ignore writes.
class RegisterImage
{
public:
    RegisterImage();

    quint16 holding(int address) const;
    void setHolding(int address, quint16 value);
    quint16 input(int address) const;
    void setInput(int address, quint16 value);

    modbus_mapping_t *mapping() const { return mapping_.get(); }

    bool save(const QString &path) const;
    // Leaves the image untouched unless the whole file is a valid image.
    bool load(const QString &path);

private:
    struct MappingFree {
        void operator()(modbus_mapping_t *mapping) const { modbus_mapping_free(mapping); }
    };
    std::unique_ptr<modbus_mapping_t, MappingFree> mapping_;
};
