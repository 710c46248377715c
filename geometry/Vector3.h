#pragma once

// A point or direction in scene space (+y is up), single precision.
// A plain value: every operation returns a new vector and leaves its operands alone.
class Vector3 {
public:
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Vector3(float x = 0.0f, float y = 0.0f, float z = 0.0f);

    void set(float x, float y, float z);

    float length() const;
    // (0, 0, 0) when the length is exactly zero.
    Vector3 normalized() const;

    Vector3 operator+(Vector3 other) const;
    Vector3 operator-(Vector3 other) const;
    Vector3 operator*(float factor) const;
    // No guard against zero: infinities and NaN pass through.
    Vector3 operator/(float divisor) const;

    // True when both vectors point the same way, whatever their lengths;
    // the normalised components are compared exactly.
    bool operator==(Vector3 other) const;

    // Right-handed rotation by angleDegrees about axis through the origin
    // (counter-clockwise seen from the tip of axis). Only the axis direction counts.
    Vector3 rotated(float angleDegrees, Vector3 axis) const;
};
